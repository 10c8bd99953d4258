#include "modTextInfos.h"

#include "ShellContext.h"
#include "devices/MappingServer.h"
#include "platform/AppContext.h"
#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"

#include <QStringList>
#include <array>

namespace {

enum class IpSource { None, Table0, Table120, Table121 };

bool isOneOf(const QString& text, std::initializer_list<const char*> prefixes)
{
    for (const char* prefix : prefixes)
        if (text == QLatin1String(prefix))
            return true;
    return false;
}

IpSource ipSourceOf(const QString& prefix6)
{
    if (isOneOf(prefix6, {"VN4555", "VR4555"}))
        return IpSource::Table0;
    if (isOneOf(prefix6, {"VR4535", "VR4595", "VR4835", "VR4848"}))
        return IpSource::Table120;
    if (isOneOf(prefix6, {"VN4855", "VN4595", "VN4596", "VN4599", "VR4855", "VN4856", "VR4856", "VN4859",
                                "VR4859"}))
        return IpSource::Table121;
    return IpSource::None;
}

// One register of the coupler; the status is kept as the last read's.
bool readRegister(IDeviceChannel* channel, int32_t table, int32_t reg, int32_t& value)
{
    std::array<int32_t, 1> buffer{};
    int32_t& status = shell().m_LastReadStatus;
    status = channel ? channel->VbRegSyncReadReq(0, table, reg, 1, buffer) : int32_t(ChNotOpen);
    if (status != ChOk)
        return false;
    value = buffer[0];
    return true;
}

void appendEntry(pugi::xml_node textInfos, const QString& text)
{
    pugi::xml_node entry;
    if (AddTextInfo(textInfos, entry))
        entry.text().set(text.toUtf8().constData());
}

// Address bytes: low and high byte of the first register, then of the second.
void appendIpAddress(IDeviceChannel* channel, pugi::xml_node textInfos, int32_t table, int32_t firstReg,
                     int32_t secondReg)
{
    int32_t first = 0, second = 0;
    if (!readRegister(channel, table, firstReg, first) || !readRegister(channel, table, secondReg, second))
        return; // an address that could not be read is not shown
    const QStringList bytes{QString::number(first & 0xFF), QString::number((first >> 8) & 0xFF),
                            QString::number(second & 0xFF), QString::number((second >> 8) & 0xFF)};
    appendEntry(textInfos, QStringLiteral("IP-Address: ") + bytes.join(QLatin1Char('.')));
}

// Station id from coupler table 100 register 8 (firmware that has it) or the device service.
bool readStationIdEx(IDeviceChannel* channel, IDeviceService* service, const QString& prefix6, int32_t firmware,
                     int32_t& stationId)
{
    const bool fromTable = (prefix6 == QLatin1String("VN9385") && firmware >= 0xB500)
        || (prefix6 == QLatin1String("VN9335") && firmware >= 0xB400)
        || (prefix6 == QLatin1String("VN9395") && firmware >= 0xB000);
    if (fromTable) {
        std::array<int32_t, 256>& table100 = shell().m_Table100;
        table100.fill(0);
        int32_t& status = shell().m_LastReadStatus;
        status = channel ? channel->VbRegSyncReadReq(0, 100, 0, 255, std::span<int32_t>(table100).first(255))
                         : int32_t(ChNotOpen);
        if (status != ChOk)
            return false;
        stationId = table100[8];
        return true;
    }
    return service && service->ReadStationIdEx(channel, stationId) == 0;
}

} // namespace

QString fFirmwareVersionText(int32_t word)
{
    if (word < 0)
        return {};
    const QString h = QString::number(word, 16).toUpper();
    switch (h.size()) {
    case 1: return QStringLiteral("Version 00 0") + h;
    case 2: return QStringLiteral("Version 00 ") + h;
    case 3: return QStringLiteral("Version 0") + h.left(1) + QLatin1Char(' ') + h.right(2);
    case 4: return QStringLiteral("Version ") + h.left(2) + QLatin1Char(' ') + h.right(2);
    default: return {};
    }
}

bool AddTextInfo(pugi::xml_node parent, pugi::xml_node& newNode)
{
    newNode = pugi::xml_node();
    if (!parent)
        return false;
    pugi::xml_document templateDoc;
    if (!templateDoc.load_string("<?xml version=\"1.0\" ?><TextInfo>Firmware: </TextInfo>"))
        return false;
    newNode = parent.append_copy(templateDoc.child("TextInfo"));
    return bool(newNode);
}

void ReadDeviceTextInfos(pugi::xml_node station)
{
    // Over the current channel, whichever it is: the serial object alone would
    // ask a device that is not the one logged in to.
    ReadDeviceTextInfos(station, app().gObjDevChannel);
}

void ReadDeviceTextInfos(pugi::xml_node station, IDeviceChannel* channel)
{
    const pugi::xml_node coupler = station.root().select_node("Station/Devices/Device").node();
    if (!coupler)
        return;
    IDeviceService* service = app().gObjDevSrv.get();
    const QString name = QString::fromUtf8(coupler.attribute("Name").value());
    const QString prefix6 = name.left(6);
    const QString prefix4 = name.left(4);
    const pugi::xml_node textInfos = coupler.select_node("CfgTool/TextInfos").node();

    // Failed reads add no entry: a value that was never read would be shown as the device's.
    int32_t firmware = 0;
    if (readRegister(channel, 0, 255, firmware))
        appendEntry(textInfos, QStringLiteral("Firmware : ") + fFirmwareVersionText(firmware));

    int32_t stationId = 0;
    if (isOneOf(prefix4, {"VN68", "VN65", "VR68", "VN75", "VN69"})) {
        if (!isOneOf(prefix6, {"VR6895", "VN6895"}) && service && service->ReadStationId(channel, stationId) == 0)
            appendEntry(textInfos, QStringLiteral("Station-ID : ") + QString::number(stationId));
    } else if (isOneOf(prefix4, {"VN93", "VJ93"})) {
        if (readStationIdEx(channel, service, prefix6, firmware, stationId))
            appendEntry(textInfos, QStringLiteral("Station-ID : ") + QString::number(stationId));
    } else if (prefix4 == QLatin1String("VZ45")) {
        appendIpAddress(channel, textInfos, 120, 2, 3);
    }

    switch (ipSourceOf(prefix6)) {
    case IpSource::Table0: appendIpAddress(channel, textInfos, 0, 33, 34); break;
    case IpSource::Table120: appendIpAddress(channel, textInfos, 120, 2, 3); break;
    case IpSource::Table121: appendIpAddress(channel, textInfos, 121, 2, 3); break;
    case IpSource::None: break;
    }
}

void fCalculateMapping()
{
    fCalculateMapping(app().gObjDevChannel);
}

void fCalculateMapping(IDeviceChannel* channel)
{
    MappingServer server;
    ShellContext& state = shell();
    pugi::xml_node station = state.gStationNode;
    if (server.CalculateMapping(station, channel) == 0)
        state.gStationNode = station;
}
