#include "UserInputBlock.h"

#include "AppContext.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

UserInputBlock::UserInputBlock()
    : m_app(AppContext::current())
{
    if (m_app)
        ++m_app->busy.inputBlocks;
    QCoreApplication::instance()->installEventFilter(this);
}

UserInputBlock::~UserInputBlock()
{
    QCoreApplication::instance()->removeEventFilter(this);
    if (m_app && AppContext::current() == m_app)
        --m_app->busy.inputBlocks;
}

bool UserInputBlock::isActive()
{
    const AppContext* app = AppContext::current();
    return app && app->busy.inputBlocks > 0;
}

bool UserInputBlock::isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
        return true;
    // A close request from the window system (the title bar's close box).
    case QEvent::Close: return event->spontaneous();
    default: return false;
    }
}

void UserInputBlock::processPendingEvents()
{
    // ExcludeUserInputEvents does not hold back a close request of the window system; the block does.
    const UserInputBlock block;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool UserInputBlock::eventFilter(QObject* watched, QEvent* event)
{
    if (!isUserInput(event))
        return QObject::eventFilter(watched, event);
    // Before a key press comes the shortcut check, which a shortcut for the key would end.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (key && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && m_app && AppContext::current() == m_app)
        ++m_app->busy.escapes;
    if (event->type() == QEvent::Close) {
        // The request reaches the window's widget after its native window; the widget is closed later.
        auto* window = qobject_cast<QWidget*>(watched);
        if (!window || !window->isWindow())
            return QObject::eventFilter(watched, event);
        BusyScope::whenIdle(window, [window] {
            if (window->isVisible())
                window->close();
        });
    }
    event->ignore();
    return true;
}
