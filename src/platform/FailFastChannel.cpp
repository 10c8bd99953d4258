#include "FailFastChannel.h"

int32_t FailFastChannel::settle(int32_t rc, const ChannelFailure& request)
{
    if (isTransportFailure(rc)) {
        m_failure = request;
        m_failure.code = rc;
    }
    return rc;
}

void FailFastChannel::failRead(int32_t pos, int32_t table, int32_t first, int32_t count, int32_t code)
{
    if (failed() || code == ChOk)
        return;
    m_failure = {code, ChannelFailure::Read, pos, table, first, count, 0};
}

int32_t FailFastChannel::VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                          std::span<int32_t> buffer)
{
    if (failed())
        return m_failure.code;
    const int32_t rc = PassThroughChannel::VbRegSyncReadReq(pos, table, first, count, buffer);
    return settle(rc, {ChOk, ChannelFailure::Read, pos, table, first, count, 0});
}

int32_t FailFastChannel::VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                           std::span<const int32_t> buffer)
{
    if (failed())
        return m_failure.code;
    const int32_t rc = PassThroughChannel::VbRegSyncWriteReq(pos, table, first, count, buffer);
    return settle(rc, {ChOk, ChannelFailure::Write, pos, table, first, count, 0});
}

int32_t FailFastChannel::ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply)
{
    if (failed())
        return m_failure.code;
    const int32_t rc = PassThroughChannel::ServiceRequest(service, request, reply);
    return settle(rc, {ChOk, ChannelFailure::Service, 0, 0, 0, 0, service});
}
