#include "frmScript.h"

#include "platform/FormRegistry.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

frmScript::frmScript(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmScript"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(buttons);
    FormRegistry::Load(this);
}

void frmScript::Load()
{
    setWindowTitle(QString());
    if (QLayout* l = layout())
        l->activate();
}
