#pragma once
// The device service: our service requests, sent over the caller's channel.
#include "DeviceService.h"

class DeviceService : public IDeviceService {
public:
    void RebootDevice(IDeviceChannel* channel, int32_t& result) override;
    void AbolishProtection(IDeviceChannel* channel, bool protect, int32_t& result) override;
    int32_t ReadStationId(IDeviceChannel* channel, int32_t& stationId) override;
    int32_t ReadStationIdEx(IDeviceChannel* channel, int32_t& stationId) override;
    void SetCycleTimeMeasurement(IDeviceChannel* channel, bool active, int32_t& result) override;
    void GetCycleTimeMeasurement(IDeviceChannel* channel, bool& active, int32_t& result) override;
};
