#pragma once
// The station a virtual coupler plays: coupler and terminals with their
// register tables, loaded from a station file (docs/vcoupler-stations.md).
#include "platform/ChannelProtocol.h"

#include <QString>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

struct RegisterTable {
    std::vector<uint16_t> regs; // size is the table's length
    bool inputs = false;        // process inputs that change while the coupler runs
};

struct StationDevice {
    std::map<int, RegisterTable> tables;
};

struct Station {
    QString name;
    int32_t stationId = 0;
    proto::NetId netId{169, 12, 1, 106, 1, 1};
    uint16_t qnpPort = 100;
    uint8_t multiPoint = 0;
    int rebootMs = 600;
    int cycleTime = 1500; // table 98 units of 8 us
    bool directory = true; // table 127 lists the table lengths
    bool bootStrap = false; // waits for a firmware load; answers nothing else
    std::set<int> protectedTables{0, 1};
    std::map<int, StationDevice> devices; // by position, 0 the coupler
};

// false with a one-line reason when the file cannot be used.
bool loadStation(const QString& path, Station& station, QString& error);
