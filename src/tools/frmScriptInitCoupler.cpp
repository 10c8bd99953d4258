#include "frmScriptInitCoupler.h"

frmScriptInitCoupler::frmScriptInitCoupler(QWidget* parent)
    : MinimalToolDialog(QStringLiteral("frmScriptInitCoupler"), parent)
{
}
