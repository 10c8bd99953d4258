#include "Station.h"

#include <QStringList>
#include <pugixml.hpp>

namespace {

constexpr int kMaxTableLength = 4096;

bool parseNumber(const QString& text, uint32_t max, uint32_t& out)
{
    bool ok = false;
    const QString t = text.trimmed();
    const uint32_t value = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toUInt(&ok, 16)
                                                                                   : t.toUInt(&ok, 10);
    if (!ok || value > max)
        return false;
    out = value;
    return true;
}

bool numberAttr(const pugi::xml_node& node, const char* name, uint32_t max, uint32_t& out, QString& error)
{
    const pugi::xml_attribute attr = node.attribute(name);
    if (!attr)
        return true;
    if (!parseNumber(QString::fromUtf8(attr.value()), max, out)) {
        error = QStringLiteral("<%1> has a bad %2: \"%3\"")
                    .arg(QString::fromUtf8(node.name()), QString::fromUtf8(name), QString::fromUtf8(attr.value()));
        return false;
    }
    return true;
}

bool loadTables(const pugi::xml_node& owner, StationDevice& device, QString& error)
{
    for (pugi::xml_node t : owner.children("Table")) {
        uint32_t number = 0, length = 0;
        if (!t.attribute("number") || !t.attribute("length")) {
            error = QStringLiteral("<Table> needs number and length");
            return false;
        }
        if (!numberAttr(t, "number", 255, number, error) || !numberAttr(t, "length", kMaxTableLength, length, error))
            return false;
        if (length < 1) {
            error = QStringLiteral("table %1 has length 0").arg(number);
            return false;
        }
        RegisterTable table;
        table.regs.assign(length, 0);
        table.inputs = t.attribute("inputs").as_bool();
        for (pugi::xml_node r : t.children("Regs")) {
            uint32_t at = 0;
            if (!numberAttr(r, "at", length - 1, at, error))
                return false;
            const QStringList values = QString::fromUtf8(r.text().get()).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString& word : values) {
                uint32_t value = 0;
                if (at >= length || !parseNumber(word, 0xFFFF, value)) {
                    error = QStringLiteral("table %1: bad or surplus register value \"%2\"").arg(number).arg(word);
                    return false;
                }
                table.regs[at++] = uint16_t(value);
            }
        }
        device.tables[int(number)] = std::move(table);
    }
    return true;
}

} // namespace

bool loadStation(const QString& path, Station& station, QString& error)
{
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_file(path.toLocal8Bit().constData());
    if (!parsed) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(parsed.description()));
        return false;
    }
    const pugi::xml_node root = doc.child("VirtualStation");
    const pugi::xml_node coupler = root.child("Coupler");
    if (!coupler) {
        error = QStringLiteral("%1: no VirtualStation/Coupler").arg(path);
        return false;
    }
    Station s;
    s.name = QString::fromUtf8(coupler.attribute("name").value());
    uint32_t value = 0;
    if (!numberAttr(coupler, "stationId", 0x7FFFFFFF, value, error))
        return false;
    s.stationId = int32_t(value);
    if (coupler.attribute("netId") && !proto::parseNetId(QString::fromUtf8(coupler.attribute("netId").value()), s.netId)) {
        error = QStringLiteral("bad netId");
        return false;
    }
    value = s.qnpPort;
    if (!numberAttr(coupler, "qnpPort", 0xFFFF, value, error))
        return false;
    s.qnpPort = uint16_t(value);
    value = s.multiPoint;
    if (!numberAttr(coupler, "multiPoint", 255, value, error))
        return false;
    s.multiPoint = uint8_t(value);
    value = uint32_t(s.rebootMs);
    if (!numberAttr(coupler, "rebootMs", 1999, value, error))
        return false;
    s.rebootMs = int(value);
    value = uint32_t(s.cycleTime);
    if (!numberAttr(coupler, "cycleTime", 0xFFFF, value, error))
        return false;
    s.cycleTime = int(value);
    if (coupler.attribute("directory"))
        s.directory = coupler.attribute("directory").as_bool();
    if (coupler.attribute("protectedTables")) {
        s.protectedTables.clear();
        const QStringList tables = QString::fromUtf8(coupler.attribute("protectedTables").value())
                                       .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& t : tables) {
            if (!parseNumber(t, 255, value)) {
                error = QStringLiteral("bad protectedTables entry \"%1\"").arg(t);
                return false;
            }
            s.protectedTables.insert(int(value));
        }
    }
    if (!loadTables(coupler, s.devices[0], error))
        return false;
    for (pugi::xml_node t : root.children("Terminal")) {
        uint32_t pos = 0;
        if (!t.attribute("pos") || !numberAttr(t, "pos", 255, pos, error) || pos < 1) {
            if (error.isEmpty())
                error = QStringLiteral("<Terminal> needs pos 1..255");
            return false;
        }
        if (!loadTables(t, s.devices[int(pos)], error))
            return false;
    }
    station = std::move(s);
    return true;
}
