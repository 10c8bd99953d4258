#include "ResponsiveChannel.h"

#include "AppContext.h"
#include "UserInputBlock.h"

#include <QCoreApplication>

namespace {

// Often enough that the window never looks frozen, seldom enough that a quick link
// spends its time on requests, not on repainting.
constexpr qint64 kEventsEveryMs = 200;

} // namespace

ResponsiveChannel::ResponsiveChannel(IDeviceChannel* inner)
    : PassThroughChannel(inner)
    , m_app(AppContext::current())
    , m_escapesBefore(m_app ? m_app->busy.escapes : 0)
{
}

bool ResponsiveChannel::cancelled() const
{
    return m_app && AppContext::current() == m_app && m_app->busy.escapes != m_escapesBefore;
}

bool ResponsiveChannel::proceed()
{
    if (!cancelled() && QCoreApplication::instance()
        && (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventsEveryMs)) {
        const UserInputBlock noInput;
        // Input too is taken from the window system here, to be dropped rather than run later.
        QCoreApplication::processEvents();
        m_sinceEvents.start();
    }
    return !cancelled();
}

int32_t ResponsiveChannel::VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                            std::span<int32_t> buffer)
{
    if (!proceed())
        return ChCancelled;
    return PassThroughChannel::VbRegSyncReadReq(pos, table, first, count, buffer);
}

int32_t ResponsiveChannel::VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                             std::span<const int32_t> buffer)
{
    if (!proceed())
        return ChCancelled;
    return PassThroughChannel::VbRegSyncWriteReq(pos, table, first, count, buffer);
}

int32_t ResponsiveChannel::ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply)
{
    if (!proceed())
        return ChCancelled;
    return PassThroughChannel::ServiceRequest(service, request, reply);
}
