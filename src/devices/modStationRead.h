#pragma once
// Station reading: the coupler's identity, then the terminal list position by
// position, each device's description loaded from the cache or built.
#include <QString>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;
struct StationReadContext;

// Reads the station through the current channel into a new station document in
// doc and returns its Station element in station. Writes the debug copy test2.xml
// and Report/Td4kFP.txt (the firmware-problem text) into the debug folder.
void fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context);

// Finds name's description in the cache or builds it, stamps Pos and SelCompID and
// appends its Device element to Station/Devices. Returns 0.
int32_t fAddDeviceToStation(IDeviceChannel* channel, pugi::xml_node station, const QString& name, int32_t pos,
                            int32_t selCompID, bool& compactBox, bool urCoupler, StationReadContext& context);

// Deletes every cached description (Devices/*.xml). Returns 0.
int32_t fDeleteDeviceFiles();

// SelCompID from coupler register 245: 32 -> 1, 64 -> 2, 128 -> 3, else 0.
int32_t fSelCompIdFromRegister(int32_t reg245);

// The folder the debug files go to (see StationReadContext::debugFolder).
QString fDebugOutputFolder(const StationReadContext& context);
