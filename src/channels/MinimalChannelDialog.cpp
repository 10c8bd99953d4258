#include "MinimalChannelDialog.h"

#include "platform/AppContext.h"
#include "platform/FormRegistry.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

MinimalChannelDialog::MinimalChannelDialog(const QString& formName, QWidget* parent)
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

void MinimalChannelDialog::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    (void)node; // channel dialogs show no device element
    keepChannel(channel);
    m_companyName = param.isEmpty() ? gCommon().CompanyName() : param;
    ++m_refreshCount;
    show();
}
