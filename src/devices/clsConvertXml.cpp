#include "clsConvertXml.h"

#include "platform/ModDataConvert.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

namespace {

// A decimal integer that fits 32 bits, blanks around it allowed; anything else is no number.
std::optional<int32_t> decimalValue(const char* text)
{
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    if (begin < end && *begin == '+')
        ++begin;
    int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// The first child named name whose attribute is value in decimal, as [@attribute='value'] matches.
pugi::xml_node childWhere(pugi::xml_node parent, const char* name, const char* attribute, int64_t value)
{
    const std::string wanted = std::to_string(value);
    for (const pugi::xml_node& child : parent.children(name)) {
        if (wanted == child.attribute(attribute).value())
            return child;
    }
    return {};
}

pugi::xml_node findTable(pugi::xml_node node, int32_t table)
{
    if (!node)
        return {};
    for (const pugi::xml_node& tables : node.children("Tables")) {
        if (pugi::xml_node found = childWhere(tables, "Table", "Number", table))
            return found;
    }
    return {};
}

// The number of elements a walk may fill: count, but never more than the buffer holds.
size_t walkLength(int32_t count, size_t bufferSize)
{
    return count <= 0 ? 0 : std::min(size_t(count), bufferSize);
}

} // namespace

bool clsConvertXml::GetTableLength(pugi::xml_node node, int32_t table, int32_t& length) const
{
    if (!node)
        return false;
    if (const pugi::xml_node found = findTable(node, table)) {
        const std::optional<int32_t> value = decimalValue(found.attribute("Length").value());
        // A negative length is no length: keep the caller's.
        if (value && *value >= 0)
            length = *value;
    }
    if (length >= 256)
        length = 255;
    return true;
}

bool clsConvertXml::GetDevicePos(pugi::xml_node node, int32_t& pos) const
{
    if (!node)
        return false;
    pos = decimalValue(node.attribute("Pos").value()).value_or(-1);
    return true;
}

bool clsConvertXml::GetTableValues(pugi::xml_node node, int32_t table, int32_t first, int32_t count,
                                   std::span<int32_t> values) const
{
    const size_t n = walkLength(count, values.size());
    const pugi::xml_node found = findTable(node, table);
    if (!found) {
        for (size_t k = 0; k < n; ++k)
            values[k] = 65535;
        return false;
    }
    for (size_t k = 0; k < n; ++k) {
        const pugi::xml_node reg = childWhere(found, "Register", "Offset", int64_t(first) + int64_t(k));
        if (!reg)
            continue;
        const char* text = reg.attribute("Value").value();
        const QString value = QString::fromUtf8(text);
        const std::optional<int32_t> v = IsHexLiteral(value) ? HexStrToLong(value) : decimalValue(text);
        if (v)
            values[k] = *v;
    }
    return false;
}

bool clsConvertXml::GetTableDesc(pugi::xml_node node, int32_t table, int32_t first, int32_t count,
                                 std::span<QString> descs) const
{
    const size_t n = walkLength(count, descs.size());
    const pugi::xml_node found = findTable(node, table);
    for (size_t k = 0; k < n; ++k) {
        const pugi::xml_node reg = found ? childWhere(found, "Register", "Offset", int64_t(first) + int64_t(k))
                                         : pugi::xml_node();
        // German text for both languages: the descriptions carry no other.
        descs[k] = QString::fromUtf8(reg.attribute("Desc1031").value());
    }
    return false;
}

bool clsConvertXml::PutTableValues(pugi::xml_node, int32_t, int32_t, int32_t, std::span<const int32_t>) const
{
    return false;
}
