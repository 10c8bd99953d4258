#pragma once
// The coupler's local user-mapping, not yet available: the view only shows a
// notice, reads coupler table 1 registers 0 to 14 and on Apply writes them
// back as read, without switching the write protection or offering a reboot.
#include "SettingsViewBase.h"

class frmCommonLocalUserSetting : public SettingsViewBase {
    Q_OBJECT
public:
    explicit frmCommonLocalUserSetting(QWidget* parent = nullptr);

private:
    // No control shows a register: the block goes back as it was read.
    void fRegsToControls() override {}
    bool fControlsToRegs() override { return true; }

    QGroupBox* Frame1;
    QLabel* lbl;
};
