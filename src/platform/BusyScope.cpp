#include "BusyScope.h"

#include "AppContext.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>
#include <utility>

namespace {

BusyState* state(AppContext* app) { return app ? &app->busy : nullptr; }

void runPending(AppContext* app)
{
    BusyState* busy = state(app);
    // Work that began meanwhile takes the list up again when it ends.
    if (!busy || busy->depth > 0)
        return;
    const QList<BusyState::Pending> pending = std::exchange(busy->pending, {});
    for (const BusyState::Pending& p : pending)
        if (p.context)
            p.work();
}

void scheduleIdleWork(AppContext* app)
{
    // The context is asked again when the timer fires: a test may have ended it meanwhile.
    if (!state(app)->pending.isEmpty() && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), [app] {
            if (AppContext::current() == app)
                runPending(app);
        });
}

} // namespace

BusyScope::BusyScope()
    : m_app(AppContext::current())
{
    if (BusyState* busy = state(m_app))
        ++busy->depth;
}

BusyScope::~BusyScope()
{
    if (AppContext::current() != m_app)
        return; // the context ended before the scope (a test's)
    if (BusyState* busy = state(m_app); busy && --busy->depth == 0)
        scheduleIdleWork(m_app);
}

bool BusyScope::active()
{
    const BusyState* busy = state(AppContext::current());
    return busy && busy->depth > 0;
}

void BusyScope::whenIdle(QObject* context, std::function<void()> work)
{
    AppContext* app = AppContext::current();
    BusyState* busy = state(app);
    if (!busy) {
        QTimer::singleShot(0, context, std::move(work));
        return;
    }
    busy->pending.append({QPointer<QObject>(context), std::move(work)});
    if (busy->depth == 0)
        scheduleIdleWork(app);
}

void FormBusy::setBusy(bool busy)
{
    if (!busy)
        m_scope.reset();
    else if (!m_scope)
        m_scope.emplace();
}

bool FormBusy::refuseClose(QCloseEvent* event) const
{
    if (!isBusy())
        return false;
    event->ignore();
    return true;
}
