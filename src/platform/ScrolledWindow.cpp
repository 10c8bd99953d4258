#include "ScrolledWindow.h"

#include "Twips.h"

#include <QScrollBar>
#include <algorithm>

namespace {
constexpr int kBarTwips = 255;
constexpr int kCornerTwips = 375;
constexpr int kArrowStepTwips = 300;
}

ScrolledWindow::ScrolledWindow(QWidget* parent)
    : QWidget(parent)
    , m_hbar(new QScrollBar(Qt::Horizontal, this))
    , m_vbar(new QScrollBar(Qt::Vertical, this))
    , m_corner(new QWidget(this))
{
    setObjectName(QStringLiteral("ScrolledWindow1"));
    m_hbar->setObjectName(QStringLiteral("hbarWindow"));
    m_vbar->setObjectName(QStringLiteral("vbarWindow"));
    m_corner->setObjectName(QStringLiteral("picCorner"));
    m_hbar->resize(m_hbar->width(), twipsToPx(kBarTwips));
    m_vbar->resize(twipsToPx(kBarTwips), m_vbar->height());
    m_corner->resize(twipsToPx(kCornerTwips), twipsToPx(kCornerTwips));
    m_corner->setAutoFillBackground(true);
    for (QScrollBar* bar : {m_hbar, m_vbar}) {
        bar->setRange(0, 0);
        bar->setSingleStep(kArrowStepTwips);
        bar->setTracking(true); // the content follows the thumb while it is dragged
        bar->hide();
        connect(bar, &QScrollBar::valueChanged, this, &ScrolledWindow::ScrollContents);
    }
    m_corner->hide();
}

QList<QWidget*> ScrolledWindow::containedControls() const
{
    QList<QWidget*> out;
    for (QObject* child : children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w == m_hbar || w == m_vbar || w == m_corner || w->isWindow())
            continue;
        out << w;
    }
    return out;
}

QSize ScrolledWindow::ContentExtent() const
{
    // As if unscrolled: the pixels actually applied are taken back off.
    const int appliedX = twipsToPx(m_OffsetX);
    const int appliedY = twipsToPx(m_OffsetY);
    int maxX = 0;
    int maxY = 0;
    for (const QWidget* c : containedControls()) {
        const QRect g = c->geometry();
        maxX = std::max(maxX, pxToTwips(g.x() + g.width() - appliedX));
        maxY = std::max(maxY, pxToTwips(g.y() + g.height() - appliedY));
    }
    return {maxX, maxY};
}

void ScrolledWindow::FitToForm()
{
    const QWidget* form = parentWidget();
    if (!form)
        return;
    const int margin = twipsToPx(FormMarginTwips);
    setGeometry(0, 0, std::max(0, form->width() - margin), std::max(0, form->height() - margin));
    ArrangeConstituentControls();
}

void ScrolledWindow::ArrangeConstituentControls()
{
    const QList<QWidget*> controls = containedControls();
    const int scaleW = pxToTwips(width());
    const int scaleH = pxToTwips(height());
    const int hbarH = pxToTwips(m_hbar->height());
    const int vbarW = pxToTwips(m_vbar->width());
    const QSize extent = ContentExtent();
    const int maxX = extent.width();
    const int maxY = extent.height();

    int availW = scaleW;
    int availH = scaleH;
    bool needH = false;
    bool needV = false;
    if (!controls.isEmpty()) {
        if (maxX > availW) {
            needH = true;
            availH -= hbarH;
        }
        if (maxY > availH) {
            needV = true;
            availW -= vbarW;
            if (!needH && maxX > availW) {
                needH = true;
                availH -= hbarH;
            }
        }
    }

    // Ranges are plain ints, so content beyond 16-bit extents still scrolls.
    if (needH) {
        const int length = scaleW - (needV ? vbarW : 0);
        if (length > 0) {
            m_hbar->setGeometry(0, twipsToPx(scaleH - hbarH), twipsToPx(length), m_hbar->height());
            m_hbar->setMaximum(maxX - availW);
            m_hbar->setPageStep(length);
            m_hbar->show();
            m_hbar->raise();
        }
    } else {
        m_hbar->setValue(0); // scrolls the content back
        m_hbar->hide();
    }

    if (needV) {
        const int length = scaleH - (needH ? hbarH : 0);
        if (length > 0) {
            m_vbar->setGeometry(twipsToPx(scaleW - vbarW), 0, m_vbar->width(), twipsToPx(length));
            m_vbar->setMaximum(maxY - availH);
            m_vbar->setPageStep(length);
            m_vbar->show();
            m_vbar->raise();
        }
    } else {
        m_vbar->setValue(0);
        m_vbar->hide();
    }

    if (needH && needV) {
        m_corner->setGeometry(twipsToPx(scaleW - vbarW), twipsToPx(scaleH - hbarH), m_vbar->width(),
                              m_hbar->height());
        m_corner->show();
        m_corner->raise();
    } else {
        m_corner->hide();
    }
}

void ScrolledWindow::ScrollContents()
{
    const int32_t newX = -m_hbar->value();
    const int32_t newY = -m_vbar->value();
    const int dx = twipsToPx(newX) - twipsToPx(m_OffsetX);
    const int dy = twipsToPx(newY) - twipsToPx(m_OffsetY);
    // Hidden controls move too, so they sit in place when they are shown again.
    if (dx != 0 || dy != 0)
        for (QWidget* c : containedControls())
            c->move(c->x() + dx, c->y() + dy);
    m_OffsetX = newX;
    m_OffsetY = newY;
}

void ScrolledWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ArrangeConstituentControls();
}

void ScrolledWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_Arranged)
        return;
    m_Arranged = true;
    ArrangeConstituentControls();
}
