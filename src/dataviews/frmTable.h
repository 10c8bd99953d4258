#pragma once
// The register table view: one numbered table of one device as a grid of
// 16-bit registers, read in one block through the channel (or taken from the
// device description when there is none), each value cell writable.
#include "RegisterTableModel.h"
#include "platform/ViewContract.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class ScrolledWindow;
class TypedEditDelegate;
class clsConvertXml;

class frmTable : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    explicit frmTable(QWidget* parent = nullptr);
    ~frmTable() override;

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;

    RegisterTableModel* model() const { return m_model; }
    QTableView* grid() const { return tdbgData; }
    int32_t tableNumber() const { return m_table; }
    int32_t position() const { return m_pos; }
    int32_t length() const { return m_length; }
    bool online() const { return m_online; }
    // The read or write failure the view reports in place of the progress bar; empty when none.
    QString statusText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    void cmdRefresh_Click();
    void cmdExit_Click();
    void readTable();
    void stepProgress();
    bool commitCell(int reg, int column, const QString& text);
    void showInvalidEntry();
    void updateStatus();
    clsConvertXml& reader();

    ScrolledWindow* ScrolledWindow1;
    QLabel* lblStatus;
    QProgressBar* ProgressBar1;
    QFrame* Frame1;
    QLabel* tdbgDataCaption;
    QTableView* tdbgData;
    QPushButton* cmdExit;
    QPushButton* cmdRefresh;
    RegisterTableModel* m_model;
    TypedEditDelegate* m_delegate;

    IDeviceChannel* m_channel = nullptr;
    pugi::xml_node m_node;
    bool m_online = false;
    int32_t m_pos = -1;
    int32_t m_table = 0;
    int32_t m_first = 0;
    int32_t m_length = 0;
    int32_t m_lastResult = 0;
    bool m_valuesRead = false;
    std::array<int32_t, 256> m_registers{};
    std::array<QString, 256> m_descs;
    std::unique_ptr<clsConvertXml> m_reader;
    bool m_invalidEntryPending = false;
    QString m_lengthFailure;
    QString m_readFailure;
    QString m_writeFailure;
};

// For the main window's dispatch of "TableView" nodes.
QWidget* createFrmTable(QWidget* parent);
