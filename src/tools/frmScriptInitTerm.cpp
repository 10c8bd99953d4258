#include "frmScriptInitTerm.h"

#include "platform/DeviceChannel.h"
#include "platform/FormLayout.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

frmScriptInitTerm::frmScriptInitTerm(QWidget* parent)
    : ScriptRunnerDialog(QStringLiteral("frmScriptInitTerm"), QStringLiteral("Terminal XML Script (*.xml *.XML)"),
                         QStringLiteral("/Scripts/Terminal"), parent)
    , Frame1(new QGroupBox(QStringLiteral("Script"), ScrolledWindow1))
    , frmSettings(new QGroupBox(QStringLiteral("Einstellungen"), Frame1))
    , lblStartPos(new QLabel(QStringLiteral("Start Script mit der Klemme"), frmSettings))
    , lblEndPos(new QLabel(QStringLiteral("Beende Script mit der Klemme"), frmSettings))
    , fpStartPos(new QSpinBox(frmSettings))
    , fpEndPos(new QSpinBox(frmSettings))
    , chkResume(new QCheckBox(QStringLiteral("Bei Ignorieren fortsetzen"), frmSettings))
{
    setWindowTitle(QStringLiteral("Klemmen Script-Init"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    frmSettings->setObjectName(QStringLiteral("frmSettings"));
    lblStartPos->setObjectName(QStringLiteral("lblStartPos"));
    lblEndPos->setObjectName(QStringLiteral("lblEndPos"));
    fpStartPos->setObjectName(QStringLiteral("fpStartPos"));
    fpEndPos->setObjectName(QStringLiteral("fpEndPos"));
    chkResume->setObjectName(QStringLiteral("chkResume"));
    txtSelScript->setParent(Frame1);
    txtDesc->setParent(Frame1);
    txtSelScript->setText(QStringLiteral("Script-Datei"));
    fraScriptLog->setTitle(QStringLiteral("ScriptLog"));
    // Stopping at the first value that does not verify is the safe start, in either language.
    chkResume->setChecked(false);
    // A wheel turned over the form must not move the range the script writes.
    fWheelOnlyWhenFocused(fpStartPos);
    fWheelOnlyWhenFocused(fpEndPos);

    Frame1->setGeometry(8, 8, 452, 214);
    txtSelScript->setGeometry(12, 26, 428, 24);
    txtDesc->setGeometry(12, 60, 428, 24);
    frmSettings->setGeometry(12, 94, 428, 108);
    lblStartPos->setGeometry(12, 26, 300, 22);
    fpStartPos->setGeometry(320, 24, 90, 24);
    lblEndPos->setGeometry(12, 54, 300, 22);
    fpEndPos->setGeometry(320, 52, 90, 24);
    chkResume->setGeometry(12, 80, 398, 22);
    cmdBrowse->setGeometry(472, 16, 100, 28);
    cmdScriptStart->setGeometry(472, 50, 100, 28);
    cmdExit->setGeometry(472, 84, 100, 28);
    fraScriptLog->setGeometry(8, 232, 564, 300);
    txtLogBox->setGeometry(10, 24, 544, 266);
    resize(588, 548);
    fTabLast(this, {fpStartPos, fpEndPos, chkResume, cmdBrowse, cmdScriptStart, cmdExit, txtLogBox});

    connect(fpEndPos, &QSpinBox::valueChanged, this, &frmScriptInitTerm::fpEndPos_Change);
}

namespace {
QString listReadFailed(int32_t rc) { return QStringLiteral("Read terminal list: Fehler (Code: %1)\r\n").arg(rc); }
} // namespace

void frmScriptInitTerm::FormLoad()
{
    readTerminalList();
    const int32_t endPos = DefaultEndPosition(m_terminals);
    fpStartPos->setRange(1, endPos);
    fpStartPos->setValue(1);
    fpEndPos->setRange(1, endPos);
    fpEndPos->setValue(endPos);
    if (localeIsEnglish())
        SetEnglishCaptions();
    // Without the list no terminal takes part in a run; say so rather than run nothing silently.
    if (!m_listRead)
        AppendLogText(logBox(), listReadFailed(lastResult()));
}

void frmScriptInitTerm::readTerminalList()
{
    const int32_t rc = ReadTerminalList(channel(), m_terminals);
    setLastResult(rc);
    m_listRead = rc == ChOk;
}

bool frmScriptInitTerm::readyToRun()
{
    if (m_listRead)
        return true;
    // The list read at load failed: a run over it would pass every terminal without a word.
    readTerminalList();
    if (!m_listRead) {
        AppendLogText(logBox(), listReadFailed(lastResult()) + terminalAbortLine());
        return false;
    }
    // The run covers the positions shown when Start was pressed; later runs may go further.
    fpEndPos->setMaximum(DefaultEndPosition(m_terminals));
    return true;
}

void frmScriptInitTerm::SetEnglishCaptions()
{
    setWindowTitle(QStringLiteral("Terminal Script-Init"));
    cmdExit->setText(LoadResString(502));
    cmdBrowse->setText(LoadResString(503));
    cmdScriptStart->setText(LoadResString(504));
    fraScriptLog->setTitle(LoadResString(723));
    frmSettings->setTitle(QStringLiteral("Settings"));
    lblStartPos->setText(LoadResString(745));
    lblEndPos->setText(LoadResString(746));
    chkResume->setText(QStringLiteral("Resume on ignore"));
    txtDesc->clear();
    logBox()->SetText(QString());
    txtSelScript->setText(QStringLiteral("Script-file"));
}

void frmScriptInitTerm::fpEndPos_Change(int value)
{
    fpStartPos->setMaximum(value);
}

void frmScriptInitTerm::runScript()
{
    TerminalRun run;
    run.startPos = fpStartPos->value();
    run.endPos = fpEndPos->value();
    run.resume = chkResume->isChecked();
    run.terminals = m_terminals;
    HourglassGuard hourglass;
    // The log tells how far the run went; nothing else follows it.
    (void)fScriptInitTerminal(currentScript(), channel(), logBox(), run);
}
