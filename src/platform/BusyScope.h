#pragma once
// Work that must run to its end: a log-in or log-out, a settings Apply with
// its restart wait, a script or firmware run, a connection test. While any
// scope lives the program is busy: the main window refuses to close (it would
// free the channel under the work), and what waits for the end of the work is
// taken up once the last scope has ended and its handler has returned.
#include <QList>
#include <QPointer>

#include <functional>
#include <optional>

class AppContext;
class QCloseEvent;

// The program's busy state, kept in its AppContext.
struct BusyState {
    struct Pending {
        QPointer<QObject> context;
        std::function<void()> work;
    };
    int depth = 0;
    int inputBlocks = 0; // UserInputBlocks alive
    int escapes = 0;     // Escape presses the blocks dropped: a job that can be ended looks here
    QList<Pending> pending;
};

class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // Counted in the context current when the scope began (none: nothing to count).
    static bool active();
    // Runs work once the program is no longer busy (from the event loop, also when it is
    // not busy now); dropped when context is destroyed first.
    static void whenIdle(QObject* context, std::function<void()> work);

private:
    AppContext* m_app;
};

// A form's own work that lets window events run: while it lasts the form
// refuses to close and the program counts as busy.
class FormBusy {
public:
    bool isBusy() const { return m_scope.has_value(); }
    void setBusy(bool busy);
    // For the form's closeEvent: true (and the event ignored) while busy.
    bool refuseClose(QCloseEvent* event) const;

private:
    std::optional<BusyScope> m_scope;
};
