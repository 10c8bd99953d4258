#include "SettingsGuard.h"

#include <QStringList>

namespace {
constexpr int kSettingsTable = 0;
constexpr int kLastGuardedSetting = 11;
constexpr int kFirstImageRegister = 3;
} // namespace

bool writeGuarded(const std::set<int>& protectedTables, int table, int first, int count)
{
    if (!protectedTables.count(table))
        return false;
    if (table != kSettingsTable)
        return true;
    return first <= kLastGuardedSetting && count > 0;
}

RunningImages::RunningImages(const Station& station)
    : m_running(stored(station))
{
}

std::array<uint16_t, 4> RunningImages::stored(const Station& station)
{
    std::array<uint16_t, 4> values{};
    const auto coupler = station.devices.find(0);
    if (coupler == station.devices.end())
        return values;
    const auto table = coupler->second.tables.find(kSettingsTable);
    if (table == coupler->second.tables.end())
        return values;
    for (size_t n = 0; n < values.size() && kFirstImageRegister + n < table->second.regs.size(); ++n)
        values[n] = table->second.regs[kFirstImageRegister + n];
    return values;
}

QString RunningImages::reboot(const Station& station)
{
    const std::array<uint16_t, 4> next = stored(station);
    if (next == m_running)
        return {};
    m_running = next;
    QStringList words;
    for (uint16_t v : m_running)
        words << QString::number(v);
    return QStringLiteral("process images %1").arg(words.join(QLatin1Char(' ')));
}
