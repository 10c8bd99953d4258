#include "frmScript.h"

#include "platform/MinimalDialog.h"

#include <QLayout>

frmScript::frmScript(QWidget* parent)
    : QDialog(parent)
{
    SetUpStandInDialog(this, QStringLiteral("frmScript"));
}

void frmScript::Load()
{
    setWindowTitle(QString());
    if (QLayout* l = layout())
        l->activate();
}
