#pragma once
// Completing the station after a log-in: the coupler's text infos (firmware,
// station id, IP address) and the process-image mapping.
#include <QString>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;

// "Version HH LL" from the firmware word; "" for a word that is not 0..0xFFFF.
QString fFirmwareVersionText(int32_t word);

// Appends a new TextInfo element as the last child of parent and returns it in
// newNode; false (newNode empty) without a parent.
bool AddTextInfo(pugi::xml_node parent, pugi::xml_node& newNode);

// Reads the firmware version, the station id and the IP address of the coupler
// (the first Station/Devices/Device of station's document) over the current
// channel and appends one text entry for each read that succeeded.
void ReadDeviceTextInfos(pugi::xml_node station);
// The same over the given channel.
void ReadDeviceTextInfos(pugi::xml_node station, IDeviceChannel* channel);

// Hands gStationNode to the mapping server (over the current channel, or the one
// given); the element it hands back replaces gStationNode. A failed mapping leaves
// gStationNode as it was.
void fCalculateMapping();
void fCalculateMapping(IDeviceChannel* channel);
