#include "frmParamVnDcQNP.h"

#include "platform/DeviceChannel.h"

frmParamVnDcQNP::frmParamVnDcQNP(QWidget* parent)
    : MinimalChannelDialog(QStringLiteral("frmParamVnDcQNP"), parent)
{
}

void frmParamVnDcQNP::keepChannel(IDeviceChannel* channel)
{
    MinimalChannelDialog::keepChannel(channel);
    m_param = channel ? dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj()) : nullptr;
}
