#pragma once
// The network (QNP) channel dialog, as far as it is built: it keeps the
// channel and its parameter object and shows itself.
#include "MinimalChannelDialog.h"

class IQNPDeviceParam;

class frmParamVnDcQNP : public MinimalChannelDialog {
    Q_OBJECT
public:
    explicit frmParamVnDcQNP(QWidget* parent = nullptr);

    IQNPDeviceParam* deviceParam() const { return m_param; }

protected:
    void keepChannel(IDeviceChannel* channel) override;

private:
    IQNPDeviceParam* m_param = nullptr;
};
