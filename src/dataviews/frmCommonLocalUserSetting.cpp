#include "frmCommonLocalUserSetting.h"

#include "platform/ScrolledWindow.h"
#include "platform/Twips.h"

#include <QGroupBox>
#include <QLabel>

namespace {
constexpr int32_t kTable = 1;
constexpr int32_t kRegCount = 15;
} // namespace

frmCommonLocalUserSetting::frmCommonLocalUserSetting(QWidget* parent)
    : SettingsViewBase({QStringLiteral("frmCommonLocalUserSetting"), kTable, kRegCount, false, 10575, 6495}, parent)
    , Frame1(new QGroupBox(ScrolledWindow1))
    , lbl(new QLabel(QStringLiteral("Noch nicht verfügbar !"), Frame1))
{
    setWindowTitle(QString());
    lblValueType->hide();
    Frame1->setObjectName(QStringLiteral("Frame1"));
    lbl->setObjectName(QStringLiteral("lbl"));
    Frame1->setGeometry(twipsRect(240, 1440, 8655, 4695));
    lbl->setGeometry(twipsRect(240, 360, 8175, 285));
    ScrolledWindow1->ArrangeConstituentControls();
}
