#include "frmParamVnDcHW4565.h"

frmParamVnDcHW4565::frmParamVnDcHW4565(QWidget* parent)
    : MinimalChannelDialog(QStringLiteral("frmParamVnDcHW4565"), parent)
{
}
