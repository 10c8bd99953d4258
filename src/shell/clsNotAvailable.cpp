#include "clsNotAvailable.h"

#include "platform/AppContext.h"
#include "platform/ScrolledWindow.h"
#include "platform/Twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top, int width)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsToPx(left), twipsToPx(top), twipsToPx(width), twipsToPx(285));
    return label;
}
} // namespace

clsNotAvailable::clsNotAvailable(QWidget* parent)
    : QWidget(parent)
    , m_scrolledWindow(new ScrolledWindow(this))
    , m_frame(new QGroupBox(m_scrolledWindow))
    , m_cmdCancel(new QPushButton(m_scrolledWindow))
{
    setObjectName(QStringLiteral("clsNotAvailable"));
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setGeometry(twipsToPx(120), twipsToPx(120), twipsToPx(4455), twipsToPx(1695));
    makeLabel(m_frame, "Label1", QStringLiteral("Nicht verfügbar !"), 240, 300, 3500);
    makeLabel(m_frame, "lblPos", QStringLiteral("Pos:"), 240, 780, 900);
    m_lblValuePos = makeLabel(m_frame, "lblValuePos", QStringLiteral("ValuePos"), 1260, 780, 2900);
    makeLabel(m_frame, "lblType", QStringLiteral("Type:"), 240, 1200, 900);
    m_lblValueType = makeLabel(m_frame, "lblValueType", QStringLiteral("ValueType"), 1260, 1200, 2900);

    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setGeometry(twipsToPx(3135), twipsToPx(1980), twipsToPx(1440), twipsToPx(375));
    // A cancel caption in the UI language: the string-table entry once loaded
    // here holds a partner's contact data, not a caption.
    m_cmdCancel->setText(gCommon().LanguageType() == 0 ? QStringLiteral("&Abbrechen") : QStringLiteral("&Cancel"));
    connect(m_cmdCancel, &QPushButton::clicked, this, &clsNotAvailable::ReqUnload);

    m_scrolledWindow->setGeometry(0, 0, width(), height());
}

void clsNotAvailable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_scrolledWindow->setGeometry(0, 0, width(), height());
}

void clsNotAvailable::RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& /*param*/)
{
    m_Obj = channel;
    m_Xml = node;
    m_Online = channel != nullptr;
    (void)m_convert.GetDevicePos(node, m_Pos); // without a node m_Pos keeps its value
    if (m_Pos != -1) {
        m_lblValuePos->setText(QString::number(m_Pos));
        m_lblValueType->setText(QString());
    }
}
