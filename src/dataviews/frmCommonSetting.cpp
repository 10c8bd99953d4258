#include "frmCommonSetting.h"

frmCommonSetting::frmCommonSetting(QWidget* parent)
    : MinimalViewForm(QStringLiteral("frmCommonSetting"), QStringLiteral("Allgemein: Einstellungen"), QStringLiteral("Common: Settings"), parent)
{
}
