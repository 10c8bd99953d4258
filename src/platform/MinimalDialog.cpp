#include "MinimalDialog.h"

#include "platform/FormRegistry.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

void SetUpStandInDialog(QDialog* dialog, const QString& formName)
{
    dialog->setObjectName(formName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addStretch();
    layout->addWidget(buttons);
    FormRegistry::Load(dialog);
}

MinimalDialog::MinimalDialog(const QString& formName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(formName);
    SetUpStandInDialog(this, formName);
}

void MinimalDialog::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_station = node;
    keepChannel(channel);
    takeParam(param);
    ++m_refreshCount;
    show();
}
