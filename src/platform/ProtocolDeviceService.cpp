#include "ProtocolDeviceService.h"

#include "ChannelProtocol.h"
#include "DeviceChannel.h"

namespace {

int32_t request(IDeviceChannel* channel, uint8_t service, const QByteArray& data, QByteArray& reply)
{
    if (!channel)
        return ChNotOpen;
    return channel->ServiceRequest(service, data, reply);
}

QByteArray flag(bool on) { return QByteArray(1, on ? '\1' : '\0'); }

int32_t readId(IDeviceChannel* channel, uint8_t service, int32_t& stationId)
{
    QByteArray reply;
    const int32_t rc = request(channel, service, {}, reply);
    if (rc != ChOk)
        return rc;
    if (reply.size() != 4)
        return ChBadFrame;
    const auto b = [&](int i) { return uint32_t(uint8_t(reply[i])); };
    stationId = int32_t(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
    return ChOk;
}

// Replies of set-type services carry no data; anything else is a garbled answer.
int32_t noData(int32_t rc, const QByteArray& reply)
{
    return (rc == ChOk && !reply.isEmpty()) ? int32_t(ChBadFrame) : rc;
}

} // namespace

void DeviceService::RebootDevice(IDeviceChannel* channel, int32_t& result)
{
    QByteArray reply;
    result = noData(request(channel, proto::SvcReboot, {}, reply), reply);
}

void DeviceService::AbolishProtection(IDeviceChannel* channel, bool protect, int32_t& result)
{
    QByteArray reply;
    result = noData(request(channel, proto::SvcProtection, flag(protect), reply), reply);
}

int32_t DeviceService::ReadStationId(IDeviceChannel* channel, int32_t& stationId)
{
    return readId(channel, proto::SvcStationId, stationId);
}

int32_t DeviceService::ReadStationIdEx(IDeviceChannel* channel, int32_t& stationId)
{
    return readId(channel, proto::SvcStationIdEx, stationId);
}

void DeviceService::SetCycleTimeMeasurement(IDeviceChannel* channel, bool active, int32_t& result)
{
    QByteArray reply;
    result = noData(request(channel, proto::SvcSetCycleTime, flag(active), reply), reply);
}

void DeviceService::GetCycleTimeMeasurement(IDeviceChannel* channel, bool& active, int32_t& result)
{
    QByteArray reply;
    result = request(channel, proto::SvcGetCycleTime, {}, reply);
    if (result == ChOk && (reply.size() != 1 || uint8_t(reply[0]) > 1))
        result = ChBadFrame;
    if (result == ChOk)
        active = reply[0] == '\1';
}
