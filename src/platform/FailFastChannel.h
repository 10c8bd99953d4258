#pragma once
// A channel for one job of many requests (a log-in): once a call ends in a
// transport failure, or the job declares a refused request fatal, every further
// call gives that code at once without touching the link. A dead link so costs
// one time-out, not one per request, and the failure that ended the job is kept.
#include "PassThroughChannel.h"

struct ChannelFailure {
    enum Kind { Read, Write, Service };
    int32_t code = ChOk; // 0: nothing failed
    Kind kind = Read;
    int32_t pos = 0, table = 0, first = 0, count = 0;
    uint8_t service = 0;
};

class FailFastChannel : public PassThroughChannel {
public:
    // inner may be null: every call then fails with ChNotOpen.
    explicit FailFastChannel(IDeviceChannel* inner) : PassThroughChannel(inner) {}

    bool failed() const { return m_failure.code != ChOk; }
    const ChannelFailure& failure() const { return m_failure; }
    // Ends the job with a read the device refused but the job cannot do without.
    void failRead(int32_t pos, int32_t table, int32_t first, int32_t count, int32_t code);

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override;
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override;
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override;

private:
    int32_t settle(int32_t rc, const ChannelFailure& request);

    ChannelFailure m_failure;
};
