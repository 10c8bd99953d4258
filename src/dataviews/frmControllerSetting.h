#pragma once
// A bus controller's settings: table 1 registers 0-15 of the coupler (PLC
// image places and sizes, cycle and background time, option bits, terminal
// bus order and the assignment of each terminal), written as one block on
// Apply, and the PLC cycle times of table 98 shown live on their own tab.
#include "SettingsWrite.h"
#include "TerminalAssignmentModel.h"
#include "platform/BusyScope.h"
#include "platform/ViewContract.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class IDeviceService;
class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QTimer;
class ScrolledWindow;

class frmControllerSetting : public QWidget, public IRefreshData {
    Q_OBJECT
public:
    explicit frmControllerSetting(QWidget* parent = nullptr);
    ~frmControllerSetting() override;

    void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) override;
    QSize sizeHint() const override;

    TerminalAssignmentModel* gridModel() const { return m_grid; }
    QTimer* cycleTimer() const { return timerCycleTime; }
    bool settingsRead() const { return m_table1Read; }
    // The failures the view reports in its status line; empty when none.
    QString statusText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What Apply's requests under lifted protection gave, step by step.
    struct WriteSteps {
        settingswrite::ProtectedWrite block; // the protection and the table-1 write
        int32_t restart = 0;                 // the restart of the cycle-time statistics
        int32_t measurement = 0;             // the measurement switch
        // The first step that got no usable answer, or 0.
        int32_t linkFailure() const;
    };

    void buildCommonTab();
    void buildMappingTab();
    void buildCycleTimeTab();
    void Form_Load();
    void Form_Resize();
    void InitGrid();
    void fInitTerminalGrid();
    void readDevice();
    void queryMeasurement();
    void readSettings();
    int32_t ReadTable1();
    int32_t ReadTable98();
    void fRegsToControls();
    // False when a field holds no register word: the user was told, and nothing changed.
    bool fControlsToRegs();
    WriteSteps WriteSettings();
    // The table-1 block, the restart of the measurement and its switch; the block's result.
    int32_t writeBlocks(WriteSteps& steps);
    QString writeStepsMessage(const WriteSteps& steps, bool english) const;
    void ShowCycleTimes();
    void setMeasurementShown(bool on);
    void cmdApply_Click();
    void applySettings();
    void cmdCancel_Click();
    void timerCycleTime_Timer();
    // The restart's result; a refused one is reported and not waited for.
    int32_t rebootAndWait();
    // The device did not answer: nothing shows as read until the next refresh.
    void showLinkLost(int32_t code);
    void updateStatus();

    ScrolledWindow* ScrolledWindow1;
    QLabel* lblStatus;
    QFrame* fraTabs;
    QTabWidget* sstabDiag;
    QGroupBox* fraProcDataOutput;
    std::array<QCheckBox*, 9> chkVRx{};
    QGroupBox* fraPlcTermbusUpdate;
    std::array<QRadioButton*, 3> optPlcTermbusUpdate{};
    QButtonGroup* m_busUpdateGroup;
    QGroupBox* Frame4;
    std::array<QLabel*, 7> lblTab1Reg{};
    std::array<QLineEdit*, 7> editTab1Reg{};
    QTableView* tdbgData;
    TerminalAssignmentModel* m_grid;
    LinkTerminalDelegate* m_linkDelegate;
    QCheckBox* chkActivateTimeCycle;
    QGroupBox* fraTab3;
    std::array<QLabel*, 4> lblDiag{};
    std::array<QLabel*, 4> lblDiagValue{};
    QPushButton* cmdApply;
    QPushButton* cmdCancel;
    QTimer* timerCycleTime;

    std::unique_ptr<IDeviceService> m_DevSrv;
    IDeviceChannel* m_channel = nullptr;
    pugi::xml_node m_node;
    bool m_online = false;
    int32_t m_pos = 0;
    std::array<int32_t, 256> m_regTable1{};
    std::array<int32_t, 256> m_snapshot{};
    std::array<int32_t, 256> m_regTable98{};
    int32_t m_lastResult = 0;
    bool m_cycleMeasurement = false;
    bool m_table1Read = false;   // the image holds what the device reported
    bool m_table98Read = false;  // the cycle times shown are those of the last read
    bool m_measurementRead = false; // the device said whether its measurement runs
    int32_t m_linkFailure = 0;   // the device did not answer the refresh
    int32_t m_measurementFailure = 0;
    int32_t m_table1Failure = 0;
    int32_t m_table98Failure = 0;
    FormBusy m_busy; // Apply waits for the restarting device with window messages running
};
