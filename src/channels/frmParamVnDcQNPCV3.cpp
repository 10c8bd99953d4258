#include "frmParamVnDcQNPCV3.h"

frmParamVnDcQNPCV3::frmParamVnDcQNPCV3(QWidget* parent)
    : QnpChannelDialog(QnpVariant::CV3, QStringLiteral("frmParamVnDcQNPCV3"), parent)
{
}
