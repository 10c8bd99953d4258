#include "CouplerDiagnosis.h"

#include "StationReadContext.h"
#include "platform/DeviceChannel.h"
#include "platform/LocaleInfo.h"
#include "platform/LogBox.h"

#include <array>

namespace {

struct DiagnosisTexts {
    QString header, noError, fieldbusError, terminalBusError, errorCode, errorArgument, notConnected, footer;
};

DiagnosisTexts diagnosisTexts(int32_t language)
{
    if (language == 9) {
        return {QStringLiteral("Check diagnostic data ..."),
                QStringLiteral("Check diagnostic data is OK"),
                QStringLiteral("Diagnostic Error - Fieldbus Error"),
                QStringLiteral("Diagnostic Error - Terminalbus error"),
                QStringLiteral("Diagnostic Error - Errorcode:"),
                QStringLiteral("Diagnostic Error - Errorargument"),
                QStringLiteral("Diagnostic Error - Fieldbus is not connected!"),
                QStringLiteral("Check diagnostic data finished")};
    }
    if (language == 7) {
        return {QStringLiteral("Überprüfung der Diagnosedaten ..."),
                QStringLiteral("Überprüfung der Diagnosedaten in Ordnung"),
                QStringLiteral("Diagnose Fehler - Feldbusfehler"),
                QStringLiteral("Diagnose Fehler - Klemmenbusfehler"),
                QStringLiteral("Diagnose Fehler - Fehlercode: "),
                QStringLiteral("Diagnose Fehler - Fehlerargument"),
                QStringLiteral("Diagnose Fehler - Feldbus ist nicht angeschlossen!"),
                QStringLiteral("Überprüfung der Diagnosedaten beendet")};
    }
    return {};
}

void logLine(ILogBox* logBox, const QString& text)
{
    AppendLogText(logBox, text + QStringLiteral("\r\n"));
}

} // namespace

int32_t fCheckDiagnosticData(ILogBox* logBox, IDeviceChannel* channel, StationReadContext& context)
{
    int32_t language = 0, sub = 0;
    LocaleInfo().GetLocale(language, sub);
    const DiagnosisTexts texts = diagnosisTexts(language);

    std::array<int32_t, 65> diag{};
    context.gRegResult = channel ? channel->VbRegSyncReadReq(0, 90, 0, 65, diag) : int32_t(ChNotOpen);
    if (!logBox)
        return 0;
    // A lost link is the caller's to report (it ends the log-in); a refusal is said here.
    if (context.gRegResult != 0) {
        if (!isTransportFailure(context.gRegResult) && (language == 9 || language == 7))
            logLine(logBox, (language == 9 ? QStringLiteral("Reading the diagnosis (table 90) failed: code %1 (%2).")
                                           : QStringLiteral("Lesen der Diagnose (Tabelle 90) fehlgeschlagen: Code %1 (%2)."))
                                .arg(context.gRegResult)
                                .arg(channelResultText(context.gRegResult, language == 9)));
        return 0;
    }

    logLine(logBox, texts.header);
    if (diag[0] & 1) {
        logLine(logBox, texts.fieldbusError);
        logLine(logBox, texts.notConnected);
    } else if (diag[0] & 2) {
        logLine(logBox, texts.terminalBusError);
        logLine(logBox, texts.errorCode + QLatin1Char(' ') + QString::number(diag[2]));
        logLine(logBox, texts.errorArgument + QLatin1Char(' ') + QString::number(diag[3]));
    } else {
        logLine(logBox, texts.noError);
    }
    logLine(logBox, texts.footer);
    return 0;
}
