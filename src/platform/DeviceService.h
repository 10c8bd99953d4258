#pragma once
// Reboot, write protection, station identity and cycle-time measurement,
// carried over the caller's channel. result 0 means done.
#include <cstdint>

class IDeviceChannel;

// A device answers again within this time after RebootDevice (and a coupler after a firmware load).
inline constexpr int kRestartMs = 2000;

class IDeviceService {
public:
    virtual ~IDeviceService() = default;
    virtual void RebootDevice(IDeviceChannel* channel, int32_t& result) = 0;
    // protect False lifts the coupler's write protection, True restores it.
    virtual void AbolishProtection(IDeviceChannel* channel, bool protect, int32_t& result) = 0;
    virtual int32_t ReadStationId(IDeviceChannel* channel, int32_t& stationId) = 0;
    virtual int32_t ReadStationIdEx(IDeviceChannel* channel, int32_t& stationId) = 0;
    virtual void SetCycleTimeMeasurement(IDeviceChannel* channel, bool active, int32_t& result) = 0;
    virtual void GetCycleTimeMeasurement(IDeviceChannel* channel, bool& active, int32_t& result) = 0;
};
