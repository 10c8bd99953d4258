#include "InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

InputBlocker::InputBlocker(QWidget* allowed)
    : m_allowed(allowed)
{
    QCoreApplication::instance()->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool InputBlocker::isAllowed(QObject* receiver) const
{
    if (!m_allowed)
        return false;
    if (auto* widget = qobject_cast<QWidget*>(receiver))
        return widget == m_allowed || m_allowed->isAncestorOf(widget);
    if (auto* window = qobject_cast<QWindow*>(receiver))
        return window == m_allowed->window()->windowHandle();
    return false; // actions and other objects: a shortcut of another window
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
        return !isAllowed(watched);
    case QEvent::Close:
        // Closing another window meanwhile would pull the ground from under the work.
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
            return !isAllowed(watched);
        return false;
    default:
        return false;
    }
}
