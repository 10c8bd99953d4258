#pragma once
// Our mapping server: computes where every terminal's inputs and outputs lie
// in each active process image of the coupler and writes it into the station
// (format in docs/mapping.md).
#include <QVector>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;

// What one terminal brings into a process image.
struct MappingTerminal {
    int32_t pos = 0;
    bool digital = false;
    int32_t inBits = 0;     // digital: input channels
    int32_t outBits = 0;    // digital: output channels
    int32_t channels = 0;   // register-based: channels, one data word each way
};

struct MappingEntry {
    int32_t pos = 0;
    int32_t inOffset = 0, inBits = 0;   // bit offset and size in the input image
    int32_t outOffset = 0, outBits = 0; // the same in the output image
};

struct MappingImage {
    int32_t number = 0;  // 1 to 4
    int32_t setting = 0; // the coupler's register 3 + number - 1
    int32_t inputBytes = 0, outputBytes = 0;
    QVector<MappingEntry> entries; // terminals with process data, by position
};

// The layout of one image for its setting word (bit 2: status byte per channel,
// bit 5: word alignment). Register-based data come first, then digital bits.
MappingImage fLayoutProcessImage(int32_t number, int32_t setting, const QVector<MappingTerminal>& terminals);

class MappingServer {
public:
    // Reads coupler table 0 registers 3 to 6 and the terminal list (table 9), lays out
    // every active image and writes the mapping into station, replacing an earlier one.
    // station keeps the element to use from now on (this server hands back the same one).
    // 0 on success; otherwise the failed read's code and the station unchanged.
    int32_t CalculateMapping(pugi::xml_node& station, IDeviceChannel* channel);
};
