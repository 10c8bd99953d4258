#include "SettingsWrite.h"

#include "ProcDataLogic.h"
#include "TableViewLogic.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"
#include "platform/LocaleInfo.h"

#include <QTabWidget>

namespace settingswrite {

namespace {

QString withCode(const QString& pattern, int32_t code, bool english)
{
    return pattern.arg(code).arg(channelResultText(code, english));
}

} // namespace

int32_t ProtectedWrite::linkFailure() const
{
    for (const int32_t code : {lift, write, restore})
        if (isTransportFailure(code))
            return code;
    return 0;
}

ProtectedWrite writeUnderLiftedProtection(IDeviceService* service, IDeviceChannel* channel,
                                          const std::function<int32_t()>& write)
{
    ProtectedWrite result;
    if (!service) {
        result.write = write();
        return result;
    }
    service->AbolishProtection(channel, false, result.lift);
    // Nothing is written while the protection is on.
    if (result.lift == ChOk)
        result.write = write();
    // Back on whatever happened: a lift whose answer was lost may have been carried out.
    service->AbolishProtection(channel, true, result.restore);
    // A device left unprotected after a lift it took is asked once more; a silent one is not waited for again.
    if (result.lift == ChOk && result.restore != ChOk && !isTransportFailure(result.restore))
        service->AbolishProtection(channel, true, result.restore);
    return result;
}

QString writeFailedMessage(int32_t code, bool english)
{
    return withCode(english ? QStringLiteral("Writing the settings failed: code %1 (%2).")
                            : QStringLiteral("Schreiben der Einstellungen fehlgeschlagen: Code %1 (%2)."),
                    code, english);
}

QString stepFailedMessage(Step step, int32_t code, bool english)
{
    QString pattern;
    switch (step) {
    case Step::StatisticsRestart:
        pattern = english ? QStringLiteral("The settings were written, but resetting the cycle time statistics failed: "
                                           "code %1 (%2).")
                          : QStringLiteral("Die Einstellungen wurden geschrieben, aber das Zurücksetzen der "
                                           "Zykluszeitstatistik ist fehlgeschlagen: Code %1 (%2).");
        break;
    case Step::MeasurementOn:
        pattern = english ? QStringLiteral("The settings were written, but switching the cycle time measurement on "
                                           "failed: code %1 (%2).")
                          : QStringLiteral("Die Einstellungen wurden geschrieben, aber das Einschalten der "
                                           "Zykluszeitmessung ist fehlgeschlagen: Code %1 (%2).");
        break;
    case Step::MeasurementOff:
        pattern = english ? QStringLiteral("The settings were written, but switching the cycle time measurement off "
                                           "failed: code %1 (%2).")
                          : QStringLiteral("Die Einstellungen wurden geschrieben, aber das Ausschalten der "
                                           "Zykluszeitmessung ist fehlgeschlagen: Code %1 (%2).");
        break;
    case Step::Protection:
        pattern = english ? QStringLiteral("The settings were written, but the write protection could not be switched "
                                           "on again: code %1 (%2).")
                          : QStringLiteral("Die Einstellungen wurden geschrieben, aber der Schreibschutz konnte nicht "
                                           "wieder eingeschaltet werden: Code %1 (%2).");
        break;
    }
    return withCode(pattern, code, english);
}

QString rebootFailedMessage(int32_t code, bool english)
{
    return withCode(english ? QStringLiteral("Restarting the device failed: code %1 (%2).")
                            : QStringLiteral("Neustart des Geräts fehlgeschlagen: Code %1 (%2)."),
                    code, english);
}

QString rebootUnansweredMessage(int32_t code, bool english)
{
    return withCode(english ? QStringLiteral("The device did not answer the restart request: code %1 (%2).\n\n"
                                             "It may be restarting; it is read again after the restart wait.")
                            : QStringLiteral("Das Gerät hat auf die Neustart-Anforderung nicht geantwortet: Code %1 (%2).\n\n"
                                             "Es startet möglicherweise neu; nach der Wartezeit wird es neu gelesen."),
                    code, english);
}

QString restartMessage(int32_t result, bool english)
{
    if (result == ChOk)
        return {};
    return isLostAnswer(result) ? rebootUnansweredMessage(result, english) : rebootFailedMessage(result, english);
}

QString notReadMessage(bool english)
{
    return english ? QStringLiteral("The settings could not be read, so nothing was written.\n\nThey are read again now.")
                   : QStringLiteral("Die Einstellungen konnten nicht gelesen werden, daher wurde nichts geschrieben.\n\n"
                                    "Sie werden jetzt neu gelesen.");
}

QString protectedWriteMessage(const ProtectedWrite& result, bool english)
{
    if (result.lift != ChOk)
        return writeFailedMessage(result.lift, english);
    if (result.write == ChOk)
        return result.restore == ChOk ? QString() : stepFailedMessage(Step::Protection, result.restore, english);
    QString message = writeFailedMessage(result.write, english);
    if (result.restore != ChOk)
        message += QStringLiteral("\n\n")
            + withCode(english ? QStringLiteral("The write protection could not be switched on again either: "
                                                "code %1 (%2).")
                               : QStringLiteral("Auch der Schreibschutz konnte nicht wieder eingeschaltet werden: "
                                                "Code %1 (%2)."),
                       result.restore, english);
    return message;
}

QValidator::State WordFieldValidator::validate(QString& text, int&) const
{
    return parseRegisterWord(WordFormat::Unsigned, text).ok() ? QValidator::Acceptable : QValidator::Intermediate;
}

void showRefusedEntry(QWidget* field)
{
    for (QWidget* p = field->parentWidget(); p; p = p->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(field))
                    tabs->setCurrentIndex(i);
            break;
        }
    }
    field->setFocus();
    // The program's invalid-entry box in the view's language: the grids' English and German texts.
    app().dialogs->MsgBox(localeIsEnglish() ? tableview::invalidEntryMessage() : procdata::invalidEntryMessage(),
                          vbOKOnly | vbInformation);
}

} // namespace settingswrite
