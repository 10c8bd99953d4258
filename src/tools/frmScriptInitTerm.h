#pragma once
// The terminal script runner: picks a terminal script and a range of
// terminal positions, and writes and verifies the script's registers in
// every channel of every register terminal in that range, each channel
// unlocked by the codeword for the time of its writes. Modeless; Exit unloads it.
#include "ScriptRunnerDialog.h"
#include "modScript.h"

class QCheckBox;
class QLabel;
class QSpinBox;

class frmScriptInitTerm : public ScriptRunnerDialog {
    Q_OBJECT
public:
    explicit frmScriptInitTerm(QWidget* parent = nullptr);

    const TerminalList& terminalList() const { return m_terminals; }

protected:
    void FormLoad() override;
    bool readyToRun() override;
    void runScript() override;

private:
    void readTerminalList();
    void SetEnglishCaptions();
    void fpEndPos_Change(int value);

    QGroupBox* Frame1;
    QGroupBox* frmSettings;
    QLabel* lblStartPos;
    QLabel* lblEndPos;
    QSpinBox* fpStartPos;
    QSpinBox* fpEndPos;
    QCheckBox* chkResume;

    TerminalList m_terminals{};
    bool m_listRead = false;
};
