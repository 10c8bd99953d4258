#include "MinimalToolDialog.h"

#include "platform/FormRegistry.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

MinimalToolDialog::MinimalToolDialog(const QString& formName, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(formName);
    setWindowTitle(formName);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(buttons);
    FormRegistry::Load(this);
}

void MinimalToolDialog::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_station = node;
    m_channel = channel;
    takeParam(param);
    ++m_refreshCount;
    show();
}
