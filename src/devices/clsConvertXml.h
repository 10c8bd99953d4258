#pragma once
// Answers questions about one device from its description element: its position,
// the length of a register table, and register values and texts stored in it.
// Stateless; every call works on the node it is given (an empty node is "not set").
#include <QString>
#include <cstdint>
#include <pugixml.hpp>
#include <span>

class clsConvertXml {
public:
    // length = the table's Length (kept when the table, the attribute or a usable number
    // is missing), then capped: 256 and above give 255. False only without a node.
    bool GetTableLength(pugi::xml_node node, int32_t table, int32_t& length) const;
    // pos = the Pos attribute, -1 when it is missing, empty or not a number. False only without a node.
    bool GetDevicePos(pugi::xml_node node, int32_t& pos) const;
    // Registers first .. first + count - 1 into values[0 .. count - 1] (never past values.size()).
    // A table without the register, or a Value that is no number, leaves the element as it was;
    // without the node or the table every element becomes 65535. Returns false.
    bool GetTableValues(pugi::xml_node node, int32_t table, int32_t first, int32_t count,
                        std::span<int32_t> values) const;
    // The same walk for the registers' Desc1031 texts; "" where there is none. Returns false.
    bool GetTableDesc(pugi::xml_node node, int32_t table, int32_t first, int32_t count,
                      std::span<QString> descs) const;
    // Descriptions are not written back; returns false.
    bool PutTableValues(pugi::xml_node node, int32_t table, int32_t first, int32_t count,
                        std::span<const int32_t> values) const;
};
