#pragma once
// The coupler script runner: picks a coupler script, lifts the coupler's
// write protection, writes and verifies every register of the script into
// the coupler's tables, logs each step and offers a reboot afterwards.
// Modeless; Exit unloads it.
#include "ScriptRunnerDialog.h"

class QGroupBox;

class frmScriptInitCoupler : public ScriptRunnerDialog {
    Q_OBJECT
public:
    explicit frmScriptInitCoupler(QWidget* parent = nullptr);

protected:
    void FormLoad() override;
    void runScript() override;

private:
    void SetEnglishCaptions();

    QGroupBox* Frame2;
};
