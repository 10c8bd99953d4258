#include "DeviceChannel.h"

QString channelResultText(int32_t result)
{
    switch (result) {
    case ChOk: return QStringLiteral("ok");
    case ChTimeout: return QStringLiteral("time-out");
    case ChNoSuchTable: return QStringLiteral("no such table");
    case ChRange: return QStringLiteral("range past the table");
    case ChWriteProtected: return QStringLiteral("write-protected");
    case ChRebooting: return QStringLiteral("rebooting");
    case ChBadFrame: return QStringLiteral("bad frame");
    case ChNotOpen: return QStringLiteral("port not open");
    case ChBadArgument: return QStringLiteral("bad argument");
    case ChOpenFailed: return QStringLiteral("port cannot be opened");
    case ChNoDevice: return QStringLiteral("no such device");
    case ChUnsupported: return QStringLiteral("not supported");
    case ChNotAWord: return QStringLiteral("value outside 0..65535, not sent");
    case ChCancelled: return QStringLiteral("cancelled");
    case ChLinkLost: return QStringLiteral("link lost");
    default: break;
    }
    return QStringLiteral("error %1").arg(result);
}

QString channelResultText(int32_t result, bool english)
{
    if (english)
        return channelResultText(result);
    switch (result) {
    case ChOk: return QStringLiteral("in Ordnung");
    case ChTimeout: return QStringLiteral("Zeitüberschreitung");
    case ChNoSuchTable: return QStringLiteral("Tabelle nicht vorhanden");
    case ChRange: return QStringLiteral("Bereich über das Tabellenende");
    case ChWriteProtected: return QStringLiteral("schreibgeschützt");
    case ChRebooting: return QStringLiteral("Neustart");
    case ChBadFrame: return QStringLiteral("fehlerhafte Antwort");
    case ChNotOpen: return QStringLiteral("Schnittstelle nicht geöffnet");
    case ChBadArgument: return QStringLiteral("ungültiges Argument");
    case ChOpenFailed: return QStringLiteral("Schnittstelle kann nicht geöffnet werden");
    case ChNoDevice: return QStringLiteral("Gerät nicht vorhanden");
    case ChUnsupported: return QStringLiteral("nicht unterstützt");
    case ChNotAWord: return QStringLiteral("Wert außerhalb 0..65535, nicht gesendet");
    case ChCancelled: return QStringLiteral("abgebrochen");
    case ChLinkLost: return QStringLiteral("Verbindung unterbrochen");
    default: break;
    }
    return QStringLiteral("Fehler %1").arg(result);
}

bool isTransportFailure(int32_t result)
{
    switch (result) {
    case ChTimeout:
    case ChBadFrame:
    case ChNotOpen:
    case ChOpenFailed:
    case ChNoDevice:
    case ChCancelled: // no answer was asked for
    case ChLinkLost:
        return true;
    default:
        return false;
    }
}

bool isLostAnswer(int32_t result)
{
    return result == ChTimeout || result == ChBadFrame || result == ChLinkLost;
}
