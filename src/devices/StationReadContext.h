#pragma once
// What one station reading learns about the connected coupler: the register
// images the identification fills and the builders read afterwards, and the
// terminal resource table. Owned by whoever reads a station; refilled at every log-in.
#include "TerminalResource.h"
#include "platform/FailFastChannel.h"

#include <QSet>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <pugixml.hpp>

struct StationReadContext {
    std::array<int32_t, 256> gRegTable0{}; // coupler table 0, index = register
    std::array<int32_t, 256> gTermTable{}; // coupler table 9: [0] type number, [p] terminal at p
    int32_t gFirmwareWord = 0;             // coupler table 0 register 255
    std::array<int32_t, 66> gTermRegs{};   // table 0 of the terminal being named
    int32_t gRegResult = 0;                // result of the last register read (0 = success)
    std::array<int32_t, 256> gTableLength{}; // coupler table lengths from its directory (table 127)

    TerminalResourceTable terminalResource;
    QString terminalResourceFile; // empty: terminalResourcePath()
    // Loaded at most once per station read; a table that could not be loaded is
    // reported once and the descriptions built without it are not cached.
    bool terminalResourceTried = false;
    bool terminalResourceMissing = false;
    bool stringTableMissingReported = false;

    // Where the station reading writes its debug files; empty: the program folder
    // when it is writable, else the user's data folder.
    QString debugFolder;

    // Description paths whose failed save was already logged.
    QSet<QString> unsavedDescriptions;

    // While a station is read, the descriptions it builds are held here and saved
    // only when the whole read succeeded: a read that fails caches nothing.
    bool holdDescriptions = false;
    std::map<QString, std::shared_ptr<pugi::xml_document>> heldDescriptions;

    // The request that ended the last station read (code 0 when it succeeded).
    ChannelFailure readFailure;

    // Told of each position as its reading begins, with the last position of the
    // terminal list (0 for the coupler alone, -1 before the list is read); for the
    // log-in's progress.
    std::function<void(int32_t pos, int32_t last)> readingPosition;
};
