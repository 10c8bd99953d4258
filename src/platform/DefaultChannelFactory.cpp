#include "ChannelFactory.h"

namespace {
// Stand-in until the real channels exist: creates nothing.
class NullChannelFactory : public IChannelFactory {
public:
    std::unique_ptr<IDeviceChannel> createSerialChannel() override { return nullptr; }
    std::unique_ptr<IQNPChannel> createQnpChannel() override { return nullptr; }
    std::unique_ptr<IDeviceService> createDeviceService() override { return nullptr; }
};
}

std::unique_ptr<IChannelFactory> createDefaultChannelFactory()
{
    return std::make_unique<NullChannelFactory>();
}
