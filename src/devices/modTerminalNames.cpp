#include "modTerminalNames.h"

#include "NameText.h"

#include <QStringList>

void decodeBoxChannelCounts(int32_t id, int& inCount, int& outCount)
{
    const int unit = (id & 0x10) ? 8 : 2;
    outCount = (id & 3) * unit;
    inCount = ((id & 12) / 4) * unit;
}

TerminalIdDecode decodeTerminalId(int32_t id, bool controllerLayout)
{
    TerminalIdDecode d;
    if (controllerLayout) {
        d.digital = id != 0 && (id & 0xFF00) == 0 && (id & 0x80) == 0;
        decodeBoxChannelCounts(id, d.inCount, d.outCount);
        d.kind = (d.inCount != 0 ? 1 : 0) | (d.outCount != 0 ? 2 : 0);
        return d;
    }
    d.digital = id != 0 && (id & 0x8000) != 0;
    d.kind = id & 3;
    d.width = (id & 0x7F00) / 256;
    switch (d.kind) {
    case 1: d.inCount = d.width; break;
    case 2: d.outCount = d.width; break;
    default: d.inCount = d.outCount = d.width; break;
    }
    return d;
}

QString fDigitalTerminalName(int32_t id, bool compactBox, bool extensionStation)
{
    const bool box = compactBox || extensionStation;
    const TerminalIdDecode d = decodeTerminalId(id, box);
    const int i = d.inCount;
    const int o = d.outCount;
    auto n = [](int count) { return QString::number(count); };

    switch (d.kind) {
    case 1:
        if (i == 2 || i == 4 || i == 8)
            return box ? QStringLiteral("UG85xx-5555") : QStringLiteral("TM8xx") + n(i) + QStringLiteral("-5555");
        if (i == 16) return QStringLiteral("TM8xxx-5555");
        if (i == 32) return QStringLiteral("TW85x1-5555");
        if (i == 64) return QStringLiteral("TW85x7-5555");
        return box ? QStringLiteral("UG85xx-5555") : QStringLiteral("TM8xxx-5555(") + n(i) + QStringLiteral(")");
    case 2:
        if (o == 2 || o == 4 || o == 8)
            return box ? QStringLiteral("UG35xx-5555") : QStringLiteral("TM3xx") + n(o) + QStringLiteral("-5555");
        if (o == 16) return QStringLiteral("TM3xxx-5555");
        if (o == 32) return QStringLiteral("TW3551-5555");
        if (o == 64) return QStringLiteral("TW3557-5555");
        return box ? QStringLiteral("UG35xx-5555") : QStringLiteral("TM3xxx-5555(") + n(o) + QStringLiteral(")");
    case 3:
        if (i == 2) {
            if (box) return QStringLiteral("UG36xx-5555");
            return id == 33283 ? QStringLiteral("TM3218-5555") : QStringLiteral("TM33x3-5555");
        }
        if (i == 4) {
            // An extension station names these by bit 2, a compact box by the generic name.
            if (compactBox) return QStringLiteral("UG36xx-5555");
            return (id & 4) == 0 ? QStringLiteral("TM3383-5555") : QStringLiteral("TM8383-5555");
        }
        if (i == 8)
            return box ? QStringLiteral("UG31xx-5555") : QStringLiteral("TM33x") + n(i) + QStringLiteral("-5555");
        return box ? QStringLiteral("UG3xxx-5555") : QStringLiteral("TM33xx-5555(") + n(i) + QStringLiteral(")");
    default:
        // On a box station kind 0 means no channels at all and always lands on the generic name.
        if (box) return QStringLiteral("UG3xxx-5555");
        if (d.width == 2) return QStringLiteral("TW3213-5555");
        if (d.width == 4) return QStringLiteral("TW8211-5555");
        if (d.width == 8) return QStringLiteral("TM8794-5555");
        return QStringLiteral("TM33xx-5555(") + n(d.width) + QStringLiteral(")");
    }
}

QString fOtherTerminalName(int32_t id, int32_t extension, bool boxStation)
{
    const int32_t e = extension == 65535 ? 0 : extension;
    const QString ext = formatZeros(e, 4); // may have five digits
    QString name;
    if (id >= 1000) {
        name = (boxStation ? QStringLiteral("UG") : QStringLiteral("TM")) + QString::number(id) + QLatin1Char('-')
            + ext.right(4);
    } else {
        name = QStringLiteral("095-") + QString::number(id) + QStringLiteral("_0") + ext.left(2) + QLatin1Char('-')
            + ext.right(3);
    }
    static const char* const kRenamed[] = {"TM3001", "TM6058", "TM6053", "TM6083", "TM2998"};
    const QString head = name.left(6);
    for (const char* from : kRenamed) {
        if (head == QLatin1String(from))
            return QStringLiteral("TW") + head.mid(2) + QLatin1Char('-') + ext.right(4);
    }
    return name;
}

bool isMultiLayoutDigitalName(const QString& name)
{
    // The generic box names, and TM3383-5555: 4 in / 4 out on a standard station but
    // 4 in with 2, 4 or 6 outputs on an extension station.
    static const QStringList kShared = {QStringLiteral("UG85xx-5555"), QStringLiteral("UG35xx-5555"),
                                        QStringLiteral("UG36xx-5555"), QStringLiteral("UG31xx-5555"),
                                        QStringLiteral("UG3xxx-5555"), QStringLiteral("TM3383-5555")};
    return kShared.contains(name);
}
