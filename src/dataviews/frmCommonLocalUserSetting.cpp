#include "frmCommonLocalUserSetting.h"

frmCommonLocalUserSetting::frmCommonLocalUserSetting(QWidget* parent)
    : MinimalViewForm(QStringLiteral("frmCommonLocalUserSetting"), QStringLiteral("Allgemein: Lokales User-Mapping"), QStringLiteral("Common: Local user-mapping"), parent)
{
}
