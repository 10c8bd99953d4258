#include "frmScriptInitCoupler.h"

frmScriptInitCoupler::frmScriptInitCoupler(QWidget* parent)
    : MinimalDialog(QStringLiteral("frmScriptInitCoupler"), parent)
{
}
