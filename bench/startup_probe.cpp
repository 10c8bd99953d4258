// Linked into both children of td4700-bench-startup: at the first paint of a
// main window it prints "painted WIDTH HEIGHT" and ends the process at once,
// so the bench times the start alone and both children end the same way.
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_seen || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        auto* window = qobject_cast<QMainWindow*>(static_cast<QWidget*>(watched)->window());
        if (!window)
            return false; // a splash or a dialog is not the main window
        m_seen = true;
        // Reported once the whole paint has been done and flushed to the screen.
        QTimer::singleShot(0, [window] {
            std::printf("painted %d %d\n", window->width(), window->height());
            std::fflush(stdout);
            std::_Exit(0);
        });
        return false;
    }

private:
    bool m_seen = false;
};

void installFirstPaint() { QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance())); }

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFirstPaint)
