#pragma once
// The coupler's common settings: coupler table 0 registers 0 to 11 on six
// tabs. Apply writes them under lifted write protection, offers a reboot when
// a register changed, and after the reboot recomputes the station's
// process-image mapping when a process-image register changed.
#include "CommonSettingsMap.h"
#include "SettingsViewBase.h"

#include <array>
#include <functional>
#include <pugixml.hpp>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;

// The station read at log-in belongs to the shell; the view reads and replaces it through these.
struct StationNodeAccess {
    std::function<pugi::xml_node()> get;
    std::function<void(pugi::xml_node)> set;
};

class frmCommonSetting : public SettingsViewBase {
    Q_OBJECT
public:
    explicit frmCommonSetting(QWidget* parent = nullptr);

    void setStationNodeAccess(StationNodeAccess access) { m_station = std::move(access); }

private:
    void fRegsToControls() override;
    bool fControlsToRegs() override;
    void clearControls() override;
    int32_t afterWrite() override;
    void SetEnglishCaptions();
    void showSettings(const commonsettings::CommonSettings& settings);

    QGroupBox* Frame8;
    QTabWidget* SSTab1;
    // Process image n on tab n.
    std::array<QGroupBox*, 4> fraImageDesc{};
    std::array<std::array<QCheckBox*, 8>, 4> m_imageOptions{};
    std::array<QGroupBox*, 4> fraFieldbusError{};
    std::array<QGroupBox*, 4> fraTerminalbusError{};
    std::array<std::array<QRadioButton*, 3>, 4> m_fieldbusOptions{};
    std::array<std::array<QRadioButton*, 3>, 4> m_terminalbusOptions{};
    std::array<QButtonGroup*, 4> m_fieldbusGroup{};
    std::array<QButtonGroup*, 4> m_terminalbusGroup{};
    // "SPS Interface"
    QGroupBox* Frame4;
    QLineEdit* fpMasterSlave;
    QLineEdit* fpSlaveMaster;
    QCheckBox* chkSPSInterface;
    QGroupBox* Frame2;
    std::array<QRadioButton*, 4> radEvents{}; // index 2 does not exist
    QButtonGroup* m_eventsGroup;
    // "H-Bus"
    QCheckBox* chkAutoReset;
    QCheckBox* chkDiagnostics;
    QCheckBox* chkDiagnosticsDigTerm;
    std::array<QLabel*, 2> lblWaitAfterSYNC{};
    std::array<QLineEdit*, 2> fpWaitValue{};
    QCheckBox* chkOldTermConfig;

    StationNodeAccess m_station;
};
