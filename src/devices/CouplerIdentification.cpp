#include "CouplerIdentification.h"

#include "NameText.h"
#include "StationReadContext.h"
#include "platform/DeviceChannel.h"

#include <span>

namespace {

constexpr int32_t kFamilyWordMark = 48847; // R248 when the coupler carries the family word R246

QString olderCouplerPrefix(int32_t r254)
{
    switch (r254) {
    case 2: return QStringLiteral("VJ");
    case 256: return QStringLiteral("VR");
    case 512: return QStringLiteral("ZR");
    case 4096: return QStringLiteral("NJ");
    default: return QStringLiteral("VN"); // 65535 and every other value
    }
}

QString prefixByHighPart(int32_t h)
{
    switch (h) {
    case 256: return QStringLiteral("VR");
    case 1024: return QStringLiteral("HQ");
    case 2048: return QStringLiteral("VR");
    default: return QStringLiteral("VN"); // 512 and every other value
    }
}

} // namespace

int32_t fReadCouplerName(IDeviceChannel* channel, QString& name, StationReadContext& context)
{
    auto& R = context.gRegTable0;
    auto& termTable = context.gTermTable;
    // A coupler that does not answer must not be named after the previous one.
    R.fill(0);
    termTable.fill(0);
    context.gFirmwareWord = 0;
    context.readFailure = {};
    name.clear();

    // No station can be named from registers that were not read: the first failed or
    // refused read ends the identification with its code.
    const std::span<int32_t> regs(R);
    struct Read {
        int32_t table, first, count;
        std::span<int32_t> into;
    };
    const Read reads[] = {
        {0, 200, 55, regs.subspan(200, 55)},
        {0, 50, 55, regs.subspan(50, 55)},
        {0, 55, 55, regs.subspan(55, 55)},
        {9, 0, 255, std::span<int32_t>(termTable).first(255)},
        {0, 255, 1, std::span<int32_t>(&context.gFirmwareWord, 1)},
    };
    for (const Read& r : reads) {
        const int32_t rc = channel ? channel->VbRegSyncReadReq(0, r.table, r.first, r.count, r.into) : int32_t(ChNotOpen);
        context.gRegResult = rc;
        if (rc != 0) {
            context.readFailure = {rc, ChannelFailure::Read, 0, r.table, r.first, r.count, 0};
            return rc;
        }
    }

    int32_t& T = termTable[0]; // the rules below write the type number back
    if (T == 0) {
        name = QStringLiteral("Unknown");
        return 0;
    }
    if (T == 8858 && R[248] == kFamilyWordMark)
        R[246] = 1024;

    if (R[248] != kFamilyWordMark) {
        const QString prefix = olderCouplerPrefix(R[254]);
        if (T == 6885 || T == 6585)
            R[250] = 0;
        if (R[250] == 65535)
            R[250] = 0;
        name = prefix + QString::number(T) + QLatin1Char('-') + formatZeros(R[250], 4);
        return 0;
    }

    const int32_t F = R[246] & 0xFF;
    QString prefix;
    switch (F) {
    case 1:
        prefix = (R[247] == 0 || R[247] == 1) ? QStringLiteral("VN") : R[247] == 2 ? QStringLiteral("VJ") : QString();
        break;
    case 2:
        if (T == 6855) {
            prefix = QStringLiteral("VR");
            R[246] = 256;
        } else {
            prefix = QStringLiteral("UF");
        }
        break;
    case 4: prefix = QStringLiteral("ZR"); break;
    case 8: prefix = QStringLiteral("PY"); break;
    case 16: prefix = QStringLiteral("HW"); break;
    case 32: prefix = QStringLiteral("UR"); break;
    case 64: prefix = QStringLiteral("JZ"); break;
    default: prefix = prefixByHighPart(R[246] & 65280); break;
    }

    if ((prefix == QLatin1String("VR") || prefix == QLatin1String("VN")) && R[50] == 21845 && R[51] == 43690)
        T = R[53];

    // Embedded PCs report several type numbers but share the 8855 descriptions.
    const bool bit10 = (R[246] & 1024) != 0;
    if (bit10 && T == 8858) {
        prefix = QStringLiteral("HQ");
        R[250] = 1;
        T = 8855;
    } else if (bit10 && T == 8853) {
        prefix = QStringLiteral("HQ");
        R[250] = 2;
        T = 8855;
    } else if (bit10 && T == 8856) {
        prefix = QStringLiteral("HQ");
        R[250] = 3;
        T = 8855;
    } else if (bit10 && T == 8855) {
        prefix = QStringLiteral("HQ");
        R[250] = R[246] == 1024 ? 2 : R[246] == 1056 ? 3 : 1;
    } else if (R[246] & 512) {
        prefix = QStringLiteral("VZ");
        R[250] = 0;
    }

    if (prefix != QLatin1String("UR") && prefix != QLatin1String("UF") && prefix != QLatin1String("JZ")) {
        if (R[250] == 65535)
            R[250] = 0;
        name = prefix + QString::number(T) + QLatin1Char('-') + formatZeros(R[250], 4);
    } else {
        const QChar letter = (R[246] & 65280) == 256 ? QLatin1Char('C') : QLatin1Char('B');
        name = prefix + formatZeros(R[201], 4) + QLatin1Char('-') + letter + formatZeros(R[202], 3)
               + QLatin1Char('-') + formatZeros(R[203], 4);
    }

    if (name.left(6) == QLatin1String("VN6663") && F == 48)
        name = QStringLiteral("JZ") + name.mid(2, 9);

    if (name.isEmpty())
        name = QStringLiteral("Unknown");
    return 0;
}
