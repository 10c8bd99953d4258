#include "frmControllerSetting.h"

frmControllerSetting::frmControllerSetting(QWidget* parent)
    : MinimalViewForm(QStringLiteral("frmControllerSetting"), QStringLiteral("Controller: Einstellungen"), QStringLiteral("Controller: Settings"), parent)
{
}
