#include "BusyScope.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <utility>

namespace {

struct Pending {
    QPointer<QObject> context;
    std::function<void()> work;
};

int g_depth = 0;
QList<Pending> g_pending;

void runPending()
{
    // Work that began meanwhile takes the list up again when it ends.
    if (g_depth > 0)
        return;
    const QList<Pending> pending = std::exchange(g_pending, {});
    for (const Pending& p : pending)
        if (p.context)
            p.work();
}

void scheduleIdleWork()
{
    if (!g_pending.isEmpty() && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), runPending);
}

} // namespace

BusyScope::BusyScope() { ++g_depth; }

BusyScope::~BusyScope()
{
    if (--g_depth == 0)
        scheduleIdleWork();
}

bool BusyScope::active() { return g_depth > 0; }

void BusyScope::whenIdle(QObject* context, std::function<void()> work)
{
    g_pending.append({QPointer<QObject>(context), std::move(work)});
    if (g_depth == 0)
        scheduleIdleWork();
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
