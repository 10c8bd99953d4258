#include "frmDocument.h"

#include "clsNotAvailable.h"
#include "platform/DeviceChannel.h"
#include "platform/FormSize.h"
#include "platform/FormRegistry.h"
#include "platform/Twips.h"
#include "platform/ViewContract.h"
#include "platform/ViewFactory.h"

#include <QMetaMethod>
#include <algorithm>

namespace {
// What ResizeControl leaves free around the hosted view, in twips.
constexpr int ControlMarginWidth = 120;
constexpr int ControlMarginHeight = 420;
}

frmDocument::frmDocument(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDocument"));
    setWindowTitle(QString());
    FormRegistry::Load(this);
}

QString frmDocument::Tag() const
{
    return FormRegistry::Tag(this);
}

void frmDocument::setTag(const QString& tag)
{
    FormRegistry::SetTag(this, tag);
}

int32_t frmDocument::fKonstructor(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID,
                                  const QString& vParam)
{
    return host(xmlNode, obj, sProgID, QStringLiteral("RefreshData"), vParam);
}

int32_t frmDocument::fKonstructor2(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID,
                                   const QString& sMethod, const QString& vParam)
{
    return host(xmlNode, obj, sProgID, sMethod, vParam);
}

int32_t frmDocument::host(pugi::xml_node& xmlNode, IDeviceChannel* obj, const QString& sProgID,
                          const QString& sMethod, const QString& vParam)
{
    if (sProgID.isEmpty())
        return 0;
    m_ProgID = sProgID;
    m_Method = sMethod;
    removeControl();
    if (!createControl()) {
        m_ProgID = QStringLiteral("clsNotAvailable");
        m_oControl = new clsNotAvailable(this);
        m_oControl->setObjectName(QStringLiteral("oControl"));
    }
    connectEvents();
    ResizeControl();
    m_oControl->show();

    // A view without the operation stays shown; the call's failure is not reported.
    if (m_Method == QLatin1String("RefreshData")) {
        if (auto* view = dynamic_cast<IRefreshData*>(m_oControl))
            view->RefreshData(xmlNode, obj, vParam);
    } else {
        const QByteArray signature = QMetaObject::normalizedSignature(
            (m_Method + QStringLiteral("(pugi::xml_node*,IDeviceChannel*,QString)")).toLatin1().constData());
        if (m_oControl->metaObject()->indexOfMethod(signature.constData()) >= 0)
            (void)QMetaObject::invokeMethod(m_oControl, m_Method.toLatin1().constData(), Qt::DirectConnection,
                                            Q_ARG(pugi::xml_node*, &xmlNode), Q_ARG(IDeviceChannel*, obj),
                                            Q_ARG(QString, vParam));
    }
    return 0;
}

bool frmDocument::fValidateSpecificMenuItems(const QString& sProgID)
{
    removeControl();
    m_ProgID = sProgID;
    if (!createControl())
        return false;
    m_oControl->hide();
    return true;
}

void frmDocument::removeControl()
{
    if (m_oControl == nullptr)
        return;
    m_oControl->disconnect(this);
    m_oControl->hide();
    m_oControl->deleteLater();
    m_oControl = nullptr;
}

bool frmDocument::createControl()
{
    m_oControl = ViewFactory::Create(m_ProgID, this);
    if (m_oControl == nullptr)
        return false;
    m_oControl->setParent(this);
    m_oControl->setObjectName(QStringLiteral("oControl"));
    return true;
}

// Every signal the view declares beyond a plain widget's counts as one of its
// events. Queued: a view may raise one inside its own RefreshData.
void frmDocument::connectEvents()
{
    const QMetaObject* meta = m_oControl->metaObject();
    const QMetaMethod handler = metaObject()->method(metaObject()->indexOfSlot("oControl_ObjectEvent()"));
    for (int i = QWidget::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal)
            connect(m_oControl, method, this, handler, Qt::QueuedConnection);
    }
}

void frmDocument::oControl_ObjectEvent()
{
    FormRegistry::Unload(this);
}

void frmDocument::ResizeControl()
{
    if (m_oControl == nullptr)
        return;
    const int w = std::max(0, pxToTwips(width()) - ControlMarginWidth);
    const int h = std::max(0, pxToTwips(height()) - ControlMarginHeight);
    m_oControl->setGeometry(0, 0, twipsToPx(w), twipsToPx(h));
}

QSize frmDocument::sizeHint() const
{
    if (m_oControl == nullptr || m_oControl->isHidden())
        return QWidget::sizeHint();
    const QSize view = fFormPreferredSize(*m_oControl);
    if (!view.isValid())
        return QWidget::sizeHint();
    return view + QSize(twipsToPx(ControlMarginWidth), twipsToPx(ControlMarginHeight));
}

void frmDocument::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ResizeControl();
}
