#include "FaultPlan.h"

#include "RegisterRules.h"
#include "platform/DeviceChannel.h"

#include <QStringList>

namespace {

bool parseKind(const QString& text, FaultKind& kind)
{
    static const std::pair<const char*, FaultKind> kKinds[] = {
        {"silent", FaultKind::Silent},       {"lost", FaultKind::Lost},     {"garbled", FaultKind::Garbled},
        {"truncated", FaultKind::Truncated}, {"wrongseq", FaultKind::WrongSeq}, {"error", FaultKind::Error},
        {"reboot", FaultKind::Reboot},       {"kill", FaultKind::Kill},
    };
    for (const auto& [name, k] : kKinds) {
        if (text == QLatin1String(name)) {
            kind = k;
            return true;
        }
    }
    return false;
}

// "service:SERVICE[/BYTE]": a service request, e.g. "service:2/0" lifts the write protection.
bool parseServiceTarget(const QString& where, FaultTarget& target)
{
    const QStringList parts = where.split(QLatin1Char('/'));
    target.on = FaultTarget::On::Service;
    return parts.size() <= 2 && parseOptionInt(parts[0], 0, 255, target.service)
        && (parts.size() < 2 || parseOptionInt(parts[1], 0, 255, target.argument));
}

// "req", "read:POS/TABLE[/FIRST[/COUNT]]", "write:..." or "service:..." with an optional "#N" or "#N+".
bool parseTarget(QString text, FaultTarget& target)
{
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        QString nth = text.mid(hash + 1);
        text.truncate(hash);
        target.every = nth.endsWith(QLatin1Char('+'));
        if (target.every)
            nth.chop(1);
        if (!parseOptionInt(nth, 1, 1000000000, target.nth))
            return false;
    }
    const QString on = text.section(QLatin1Char(':'), 0, 0);
    const QString where = text.section(QLatin1Char(':'), 1);
    if (on == QLatin1String("req"))
        return where.isEmpty();
    if (on == QLatin1String("service"))
        return parseServiceTarget(where, target);
    if (on == QLatin1String("read"))
        target.on = FaultTarget::On::Read;
    else if (on == QLatin1String("write"))
        target.on = FaultTarget::On::Write;
    else
        return false;
    const QStringList parts = where.split(QLatin1Char('/'));
    if (parts.size() < 2 || parts.size() > 4)
        return false;
    int* fields[] = {&target.pos, &target.table, &target.first, &target.count};
    const int limits[] = {255, 255, 0xFFFF, 256};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (!parseOptionInt(parts[i], 0, limits[i], *fields[i]))
            return false;
    }
    return true;
}

bool matches(const FaultTarget& t, uint8_t kind, const proto::RegisterRequest* reg, const QByteArray& payload)
{
    if (t.on == FaultTarget::On::Request)
        return true;
    if (t.on == FaultTarget::On::Service) {
        return kind == proto::KindService && !payload.isEmpty() && uint8_t(payload[0]) == t.service
            && (t.argument < 0 || (payload.size() > 1 && uint8_t(payload[1]) == t.argument));
    }
    const uint8_t wanted = t.on == FaultTarget::On::Read ? proto::KindRead : proto::KindWrite;
    if (kind != wanted || !reg)
        return false;
    const auto fits = [](int want, int have) { return want < 0 || want == have; };
    return fits(t.pos, reg->pos) && fits(t.table, reg->table) && fits(t.first, reg->first) && fits(t.count, reg->count);
}

} // namespace

bool FaultPlan::add(const QString& spec, QString& error)
{
    Fault fault;
    fault.spec = spec.trimmed();
    const QString head = fault.spec.section(QLatin1Char('@'), 0, 0);
    const QString target = fault.spec.section(QLatin1Char('@'), 1);
    if (!parseKind(head.section(QLatin1Char(':'), 0, 0), fault.kind) || !parseTarget(target, fault.target)) {
        error = QStringLiteral("bad fault %1").arg(fault.spec);
        return false;
    }
    const QString code = head.section(QLatin1Char(':'), 1);
    fault.code = ChNoSuchTable;
    if (fault.kind == FaultKind::Error && !code.isEmpty() && !parseOptionInt(code, 1, 0xFFFF, fault.code)) {
        error = QStringLiteral("bad code in %1").arg(fault.spec);
        return false;
    }
    m_faults.push_back(fault);
    return true;
}

void FaultPlan::clear()
{
    m_faults.clear();
    m_silent = false;
}

const Fault* FaultPlan::take(uint8_t kind, const proto::RegisterRequest* reg, const QByteArray& payload)
{
    const Fault* hit = nullptr;
    for (Fault& f : m_faults) {
        if (f.spent || !matches(f.target, kind, reg, payload))
            continue;
        ++f.seen;
        if (f.seen < f.target.nth || hit)
            continue;
        hit = &f;
        f.spent = !f.target.every;
    }
    return hit;
}
