#pragma once
// Requests as the window system sends them: spontaneous events to a window's
// native window, which a program cannot tell from the user's.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QSpontaneKeyEvent>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWheelEvent>
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

// Where the close button of a document window's title bar lies, in the window's own coordinates.
inline QPoint closeButtonOf(QMdiSubWindow* sub)
{
    QStyleOptionTitleBar option;
    option.initFrom(sub);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = sub->windowFlags();
    option.titleBarState = int(sub->windowState()) | int(QStyle::State_Active);
    option.state |= QStyle::State_Active;
    option.text = sub->windowTitle();
    option.rect = QRect(0, 0, sub->width(), sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub));
    return sub->style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarCloseButton, sub).center();
}

// Turns the mouse wheel over the widget by notches (up when positive), as from the
// mouse: the focus policy is asked too.
inline void turnWheel(QWidget* widget, int notches)
{
    const QPointF at(5, 5);
    QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    QCoreApplication::sendEvent(widget, &wheel);
}
