#include "MinimalViewForm.h"

#include "platform/AppContext.h"

#include <QLabel>
#include <QVBoxLayout>

MinimalViewForm::MinimalViewForm(const QString& formName, const QString& germanCaption,
                                 const QString& englishCaption, QWidget* parent)
    : QWidget(parent)
    , m_caption(new QLabel(this))
{
    setObjectName(formName);
    const QString caption = gCommon().LanguageType() == 0 ? germanCaption : englishCaption;
    setWindowTitle(caption);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    m_caption->setText(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_caption);
    layout->addStretch();
}

void MinimalViewForm::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param)
{
    m_node = node;
    m_channel = channel;
    m_params = param;
    ++m_refreshCount;
}
