#include "frmScriptInitCoupler.h"

#include "modScript.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"
#include "platform/Hourglass.h"
#include "platform/LocaleInfo.h"
#include "platform/ScrolledWindow.h"
#include "platform/StringTable.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

frmScriptInitCoupler::frmScriptInitCoupler(QWidget* parent)
    : ScriptRunnerDialog(QStringLiteral("frmScriptInitCoupler"), QStringLiteral("Coupler XML Script *.xml (*.xml *.XML)"),
                         QStringLiteral("/Scripts/Coupler"), parent)
    , Frame2(new QGroupBox(QStringLiteral("Script"), ScrolledWindow1))
{
    setWindowTitle(QStringLiteral("Koppler Script-Init"));
    Frame2->setObjectName(QStringLiteral("Frame2"));
    txtSelScript->setParent(Frame2);
    txtDesc->setParent(Frame2);
    fraScriptLog->setTitle(QStringLiteral("Script Log"));

    Frame2->setGeometry(8, 8, 452, 96);
    txtSelScript->setGeometry(12, 26, 428, 24);
    txtDesc->setGeometry(12, 60, 428, 24);
    cmdBrowse->setGeometry(472, 16, 100, 28);
    cmdScriptStart->setGeometry(472, 50, 100, 28);
    cmdExit->setGeometry(472, 84, 100, 28);
    fraScriptLog->setGeometry(8, 116, 564, 320);
    txtLogBox->setGeometry(10, 24, 544, 286);
    resize(588, 452);
}

void frmScriptInitCoupler::FormLoad()
{
    if (localeIsEnglish())
        SetEnglishCaptions();
}

void frmScriptInitCoupler::SetEnglishCaptions()
{
    setWindowTitle(QStringLiteral("Coupler Script-Init"));
    cmdExit->setText(LoadResString(502));
    cmdBrowse->setText(LoadResString(503));
    cmdScriptStart->setText(LoadResString(504));
    fraScriptLog->setTitle(LoadResString(723));
    txtDesc->clear();
    logBox()->SetText(QString());
}

void frmScriptInitCoupler::runScript()
{
    {
        HourglassGuard hourglass;
        // Whether every register verified shows in the log; the reboot is offered in any case.
        (void)ScriptInitCoupler(currentScript(), channel(), logBox());
    }

    QPointer<frmScriptInitCoupler> self(this);
    const int answer = app().dialogs->MsgBox(LoadResString(728) + QStringLiteral("\r\n\r\n") + LoadResString(403),
                                             vbYesNo, LoadResString(741));
    if (!self || answer != vbYes)
        return;
    int32_t result = ChUnsupported;
    if (IDeviceService* service = deviceService())
        service->RebootDevice(channel(), result);
    setLastResult(result);
    // The settings written take effect only with the restart: a refused one must not pass unseen,
    // and one whose answer was lost may be under way, so it is not called failed.
    if (isLostAnswer(result))
        AppendLogText(logBox(), QStringLiteral("\r\nReboot: keine Antwort (Code: %1), der Koppler startet "
                                               "möglicherweise neu\r\n")
                                    .arg(result));
    else if (result != ChOk)
        AppendLogText(logBox(), QStringLiteral("\r\nReboot: Fehler (Code: %1)\r\n").arg(result));
    // Developers keep the protection off after the restart; a restarting coupler would not hear it.
    AppContext& context = app();
    if (gCommon().AccessLevel() == 1 && context.gObjDevSrv) {
        if (result == ChOk || isLostAnswer(result)) {
            context.dialogs->Wait(kRestartMs);
            if (!self)
                return;
        }
        context.gObjDevSrv->AbolishProtection(channel(), false, result);
        setLastResult(result);
        if (result != ChOk)
            AppendLogText(logBox(), QStringLiteral("\r\n%1: Fehler (Code: %2)\r\n").arg(LoadResString(750)).arg(result));
    }
}
