#include "UserInputBlock.h"

#include <QCoreApplication>
#include <QEvent>

UserInputBlock::UserInputBlock() { QCoreApplication::instance()->installEventFilter(this); }

UserInputBlock::~UserInputBlock() { QCoreApplication::instance()->removeEventFilter(this); }

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

bool UserInputBlock::eventFilter(QObject* watched, QEvent* event)
{
    if (isUserInput(event)) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
