#pragma once
// Station reading: the coupler's identity, then the terminal list position by
// position, each device's description loaded from the cache or built.
#include <QString>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;
struct StationReadContext;

// Reads the station through channel (the current channel when not given) into a new
// station document in doc and returns its Station element in station. Writes the
// debug copy test2.xml and Report/Td4kFP.txt (the firmware-problem text) into the
// debug folder. Returns 0, or the code of the failure that ended the read: a
// transport failure on any read, or a failed or refused read of the coupler's
// identity or terminal list. The failing request is then in context.readFailure,
// doc and station are empty and no description built during the read is cached.
int32_t fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context);
int32_t fReadStationFromDevice(pugi::xml_document& doc, pugi::xml_node& station, StationReadContext& context,
                               IDeviceChannel* channel);

// Finds name's description among those built earlier in this read, in the cache, or
// builds it; stamps Pos and SelCompID and appends its Device element to
// Station/Devices. A description built while the context holds descriptions is held
// for the end of the read when it is complete and cacheable. Returns 0.
int32_t fAddDeviceToStation(IDeviceChannel* channel, pugi::xml_node station, const QString& name, int32_t pos,
                            int32_t selCompID, bool& compactBox, bool urCoupler, StationReadContext& context,
                            bool cacheable = true);

// Deletes every cached description (Devices/*.xml). Returns 0.
int32_t fDeleteDeviceFiles();

// SelCompID from coupler register 245: 32 -> 1, 64 -> 2, 128 -> 3, else 0.
int32_t fSelCompIdFromRegister(int32_t reg245);

// The folder the debug files go to (see StationReadContext::debugFolder).
QString fDebugOutputFolder(const StationReadContext& context);
