#include "MappingServer.h"

#include "devices/modTerminalNames.h"
#include "platform/DeviceChannel.h"

#include <QString>
#include <algorithm>
#include <array>

namespace {

constexpr int32_t ImageCount = 4;
constexpr int32_t FirstImageRegister = 3;
constexpr int32_t ActiveBit = 0x01;
constexpr int32_t StatusByteBit = 0x04;  // "Analyze complex terminals"
constexpr int32_t WordAlignBit = 0x20;

int32_t roundUpToBytes(int32_t bits) { return (bits + 7) / 8; }

// One cursor per direction: register-based data byte by byte, then digital bits.
struct Direction {
    int32_t byteCursor = 0;
    int32_t bitCursor = 0;
};

void setNumber(pugi::xml_node node, const char* name, int32_t value)
{
    node.append_attribute(name).set_value(QByteArray::number(value).constData());
}

void removeChildren(pugi::xml_node parent, const char* name)
{
    while (pugi::xml_node old = parent.child(name))
        parent.remove_child(old);
}

} // namespace

MappingImage fLayoutProcessImage(int32_t number, int32_t setting, const QVector<MappingTerminal>& terminals)
{
    MappingImage image;
    image.number = number;
    image.setting = setting;
    const int32_t channelBits = (setting & StatusByteBit) ? 24 : 16;
    const bool wordAlign = (setting & WordAlignBit) != 0;

    Direction in, out;
    auto placeBytes = [wordAlign](Direction& d, int32_t bits) {
        if (wordAlign && d.byteCursor % 2 != 0)
            ++d.byteCursor;
        const int32_t offset = d.byteCursor * 8;
        int32_t bytes = roundUpToBytes(bits);
        if (wordAlign && bytes % 2 != 0)
            ++bytes;
        d.byteCursor += bytes;
        return offset;
    };

    QVector<MappingEntry> complexEntries, digitalEntries;
    for (const MappingTerminal& t : terminals) {
        if (t.digital || t.channels <= 0)
            continue;
        MappingEntry e;
        e.pos = t.pos;
        e.inBits = e.outBits = t.channels * channelBits;
        e.inOffset = placeBytes(in, e.inBits);
        e.outOffset = placeBytes(out, e.outBits);
        complexEntries.append(e);
    }
    // Digital bits follow the register-based data, packed without gaps.
    in.bitCursor = in.byteCursor * 8;
    out.bitCursor = out.byteCursor * 8;
    for (const MappingTerminal& t : terminals) {
        if (!t.digital || (t.inBits <= 0 && t.outBits <= 0))
            continue;
        MappingEntry e;
        e.pos = t.pos;
        e.inBits = t.inBits;
        e.outBits = t.outBits;
        e.inOffset = in.bitCursor;
        e.outOffset = out.bitCursor;
        in.bitCursor += t.inBits;
        out.bitCursor += t.outBits;
        digitalEntries.append(e);
    }
    image.inputBytes = roundUpToBytes(in.bitCursor);
    image.outputBytes = roundUpToBytes(out.bitCursor);

    // Listed by position, whatever the area they lie in.
    image.entries = complexEntries + digitalEntries;
    std::sort(image.entries.begin(), image.entries.end(),
              [](const MappingEntry& a, const MappingEntry& b) { return a.pos < b.pos; });
    return image;
}

int32_t MappingServer::CalculateMapping(pugi::xml_node& station, IDeviceChannel* channel)
{
    if (!station || channel == nullptr)
        return ChBadArgument;
    std::array<int32_t, ImageCount> settings{};
    if (const int32_t rc = channel->VbRegSyncReadReq(0, 0, FirstImageRegister, ImageCount, settings); rc != ChOk)
        return rc;
    std::array<int32_t, 255> terminalList{};
    if (const int32_t rc = channel->VbRegSyncReadReq(0, 9, 0, 255, terminalList); rc != ChOk)
        return rc;

    QVector<MappingTerminal> terminals;
    QVector<pugi::xml_node> terminalNodes;
    for (const pugi::xpath_node& hit : station.select_nodes("Devices/Device")) {
        const pugi::xml_node device = hit.node();
        bool ok = false;
        const int32_t pos = QString::fromUtf8(device.attribute("Pos").value()).trimmed().toInt(&ok);
        if (!ok || pos < 1 || pos >= static_cast<int32_t>(terminalList.size()))
            continue; // the coupler itself and devices without a position have no data of their own
        MappingTerminal t;
        t.pos = pos;
        const TerminalIdDecode id = decodeTerminalId(terminalList[static_cast<size_t>(pos)], false);
        if (id.digital) {
            t.digital = true;
            t.inBits = id.inCount;
            t.outBits = id.outCount;
        } else {
            t.channels = static_cast<int32_t>(device.select_nodes("Tables/Table").size());
        }
        terminals.append(t);
        terminalNodes.append(device);
    }

    QVector<MappingImage> images;
    for (int32_t n = 0; n < ImageCount; ++n)
        if (settings[static_cast<size_t>(n)] & ActiveBit)
            images.append(fLayoutProcessImage(n + 1, settings[static_cast<size_t>(n)], terminals));

    removeChildren(station, "Mapping");
    pugi::xml_node stationMapping = station.append_child("Mapping");
    for (const MappingImage& image : images) {
        pugi::xml_node node = stationMapping.append_child("Image");
        setNumber(node, "Number", image.number);
        setNumber(node, "Setting", image.setting);
        setNumber(node, "InputBytes", image.inputBytes);
        setNumber(node, "OutputBytes", image.outputBytes);
    }
    for (qsizetype i = 0; i < terminals.size(); ++i) {
        pugi::xml_node device = terminalNodes[i];
        removeChildren(device, "Mapping");
        pugi::xml_node deviceMapping = device.append_child("Mapping");
        for (const MappingImage& image : images) {
            for (const MappingEntry& e : image.entries) {
                if (e.pos != terminals[i].pos)
                    continue;
                pugi::xml_node node = deviceMapping.append_child("Image");
                setNumber(node, "Number", image.number);
                setNumber(node, "InputBitOffset", e.inOffset);
                setNumber(node, "InputBits", e.inBits);
                setNumber(node, "OutputBitOffset", e.outOffset);
                setNumber(node, "OutputBits", e.outBits);
            }
        }
    }
    return ChOk;
}
