#include "RegisterRules.h"

#include <QStringList>

namespace {

constexpr int kCodewordRegister = 31;
constexpr int kFirstUserRegister = 32;
constexpr int kLastUserRegister = 63;
constexpr uint16_t kCodeword = 0x5E3B;

bool parseKey(const QString& text, int maxNumber, RegisterKey& key, int& number)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2 || !parseOptionInt(parts[1], 0, maxNumber, number))
        return false;
    QStringList where = parts[0].split(QLatin1Char('/'));
    if (where.size() == 2)
        where.prepend(QStringLiteral("0"));
    int pos = 0, table = 0, reg = 0;
    if (where.size() != 3 || !parseOptionInt(where[0], 0, 255, pos) || !parseOptionInt(where[1], 0, 255, table)
        || !parseOptionInt(where[2], 0, 0xFFFF, reg))
        return false;
    key = {pos, table, reg};
    return true;
}

template <typename Map>
int firstFault(const Map& faults, const proto::RegisterRequest& r)
{
    for (int reg = r.first; reg < r.first + r.count; ++reg) {
        const auto f = faults.find({r.pos, r.table, reg});
        if (f != faults.end())
            return f->second;
    }
    return 0;
}

} // namespace

bool parseOptionInt(const QString& text, int min, int max, int& out)
{
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    if (!ok || value < min || value > max)
        return false;
    out = value;
    return true;
}

bool parseRegisterFault(const QString& text, int maxNumber, std::map<RegisterKey, int>& into)
{
    RegisterKey key;
    int code = 0;
    if (!parseKey(text, maxNumber, key, code) || code == 0)
        return false;
    into[key] = code;
    return true;
}

bool parseRegisterMask(const QString& text, std::map<RegisterKey, uint16_t>& into)
{
    RegisterKey key;
    int mask = 0;
    if (!parseKey(text, 0xFFFF, key, mask))
        return false;
    into[key] = uint16_t(mask);
    return true;
}

int registerReadFault(const RegisterFaults& faults, const proto::RegisterRequest& request)
{
    return firstFault(faults.failReads, request);
}

int registerWriteFault(const RegisterFaults& faults, const proto::RegisterRequest& request)
{
    return firstFault(faults.failWrites, request);
}

void applyRegisterWrite(RegisterTable& table, const proto::RegisterRequest& r, const RegisterFaults& faults)
{
    for (int i = 0; i < r.count; ++i) {
        const int reg = r.first + i;
        uint16_t& stored = table.regs[size_t(reg)];
        // A locked channel acknowledges the write and keeps its value, as the terminals do.
        if (r.pos > 0 && reg >= kFirstUserRegister && reg <= kLastUserRegister
            && table.regs.size() > size_t(kCodewordRegister) && table.regs[kCodewordRegister] != kCodeword)
            continue;
        const uint16_t value = r.values[size_t(i)];
        const auto mask = faults.masks.find({r.pos, r.table, reg});
        stored = mask == faults.masks.end() ? value : uint16_t((value & mask->second) | (stored & ~mask->second));
    }
}
