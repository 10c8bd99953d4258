#pragma once
// The coupler's settings side: which registers the write protection guards,
// and the process-image settings the coupler runs with, which a write only
// stores and the next reboot puts into effect.
#include "Station.h"

#include <QString>
#include <array>
#include <set>

// True when the write touches a guarded register: coupler table 0 registers 0 to 11 (the
// common settings) when table 0 is guarded, and the whole of every other guarded table
// (a controller's table 1).
bool writeGuarded(const std::set<int>& protectedTables, int table, int first, int count);

class RunningImages {
public:
    // At power-up the coupler runs with what table 0 holds.
    explicit RunningImages(const Station& station);
    // A reboot takes the stored settings; the trace line when that changed them, else empty.
    QString reboot(const Station& station);

private:
    static std::array<uint16_t, 4> stored(const Station& station);
    std::array<uint16_t, 4> m_running{};
};
