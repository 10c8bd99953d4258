#pragma once
// The process image view: the coupler's input and output words of one of its
// four process images side by side. A timer reads only the rows on screen;
// a committed output cell is written to the coupler at once.
#include "ProcDataLogic.h"
#include "platform/ViewContract.h"

#include <QWidget>
#include <array>
#include <cstdint>

class ProcImageModel;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;
class ScrolledWindow;
class TypedEditDelegate;

class frmProcData : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    explicit frmProcData(QWidget* parent = nullptr);
    ~frmProcData() override;

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;
    bool UploadProcData();
    void WriteOutputWord(int32_t reg, int32_t value);

    QSize sizeHint() const override;
    ProcImageModel* inputSource() const { return m_xaInData; }
    ProcImageModel* outputSource() const { return m_xaOutData; }
    int32_t inTable() const { return m_InTable; }
    int32_t outTable() const { return m_OutTable; }
    int ticks() const { return m_ticks; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Image = std::array<int32_t, procdata::kRows>;

    void Form_Load();
    void fResize();
    void fInitDataTypControl(QComboBox* combo);
    void fInitProcGrid(QTableView* grid, ProcImageModel* source);
    void cmdExit_Click();
    void Timer1_Timer();
    // Reads rows words from first into the image; a failure is logged.
    bool readImage(int32_t table, int32_t first, int32_t rows, Image& image);
    void refreshGrid(QTableView* grid, ProcImageModel* source, int32_t table, Image& image, int format);
    bool tdbgOutData_BeforeColUpdate(int reg, const QString& text);
    void showInvalidEntry();

    ScrolledWindow* ScrolledWindow1;
    QGroupBox* fraProcDataInput;
    std::array<QLabel*, 2> Label1; // 0 input, 1 output
    QComboBox* comboDataTyp2;
    QLabel* tdbgInDataCaption;
    QTableView* tdbgInData;
    QGroupBox* fraProcDataOutput;
    QComboBox* comboDataTyp1;
    QLabel* tdbgOutDataCaption;
    QTableView* tdbgOutData;
    QComboBox* cboProcImage;
    QPushButton* cmdExit;
    QTimer* Timer1;
    ProcImageModel* m_xaInData;
    ProcImageModel* m_xaOutData;
    TypedEditDelegate* m_outDelegate;

    IDeviceChannel* m_objChannel = nullptr;
    pugi::xml_node m_xmlNode;
    QString m_vParams;
    Image m_InData{};
    Image m_OutData{};
    int32_t m_InTable = procdata::kFirstInTable;
    int32_t m_OutTable = procdata::kFirstOutTable;
    int32_t m_lResult = 0;
    bool m_bExit = false;
    bool m_invalidEntryPending = false;
    int m_ticks = 0;
};
