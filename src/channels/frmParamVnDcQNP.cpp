#include "frmParamVnDcQNP.h"

frmParamVnDcQNP::frmParamVnDcQNP(QWidget* parent)
    : QnpChannelDialog(QnpVariant::Plain, QStringLiteral("frmParamVnDcQNP"), parent)
{
}
