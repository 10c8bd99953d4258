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
    default: break;
    }
    return QStringLiteral("error %1").arg(result);
}
