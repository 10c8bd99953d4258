#include "ChannelFactory.h"
#include "ProtocolDeviceService.h"
#include "QnpChannel.h"
#include "SerialChannel.h"

namespace {
class DefaultChannelFactory : public IChannelFactory {
public:
    std::unique_ptr<IDeviceChannel> createSerialChannel() override { return std::make_unique<SerialChannel>(); }
    std::unique_ptr<IQNPChannel> createQnpChannel() override { return std::make_unique<QnpChannel>(); }
    std::unique_ptr<IDeviceService> createDeviceService() override { return std::make_unique<DeviceService>(); }
};
}

std::unique_ptr<IChannelFactory> createDefaultChannelFactory()
{
    return std::make_unique<DefaultChannelFactory>();
}
