#include "frmParamVnDcQNPCV3.h"

#include "platform/DeviceChannel.h"

frmParamVnDcQNPCV3::frmParamVnDcQNPCV3(QWidget* parent)
    : MinimalChannelDialog(QStringLiteral("frmParamVnDcQNPCV3"), parent)
{
}

void frmParamVnDcQNPCV3::keepChannel(IDeviceChannel* channel)
{
    MinimalChannelDialog::keepChannel(channel);
    m_param = channel ? dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj()) : nullptr;
}
