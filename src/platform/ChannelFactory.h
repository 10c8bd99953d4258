#pragma once
// Creates the channel and device-service objects, so tests can hand in doubles.
#include "DeviceChannel.h"
#include "DeviceService.h"
#include <memory>

class IChannelFactory {
public:
    virtual ~IChannelFactory() = default;
    virtual std::unique_ptr<IDeviceChannel> createSerialChannel() = 0;
    virtual std::unique_ptr<IQNPChannel> createQnpChannel() = 0;
    virtual std::unique_ptr<IDeviceService> createDeviceService() = 0;
};

// The program's own serial and network channels and device service.
std::unique_ptr<IChannelFactory> createDefaultChannelFactory();
