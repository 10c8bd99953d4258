#pragma once
// Requests as the window system sends them: spontaneous events to a window's
// native window, which a program cannot tell from the user's.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QSpontaneKeyEvent>
#include <QWidget>
#include <QWindow>

// The close box of the window's title bar, handled at once. The window must have been shown.
inline void sendCloseRequest(QWidget& window)
{
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::sendEvent(window.windowHandle(), &event);
}

// The same request queued, as it waits while the program is inside a handler.
inline void postCloseRequest(QWidget& window)
{
    auto* event = new QCloseEvent;
    QSpontaneKeyEvent::setSpontaneous(event);
    QCoreApplication::postEvent(window.windowHandle(), event);
}
