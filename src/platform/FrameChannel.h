#pragma once
// The register and service calls of both channels, built on one exchange of
// a request payload for a reply payload; the transports differ only there.
#include "ChannelProtocol.h"
#include "DeviceChannel.h"

#include <algorithm>

inline int32_t clampTimeout(int32_t ms) { return std::clamp(ms, kMinTimeoutMs, kMaxTimeoutMs); }

template <class Interface>
class FrameChannel : public Interface {
public:
    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        int32_t rc = proto::checkRegisterArgs(pos, table, first, count, buffer.size());
        if (rc != ChOk)
            return rc;
        QByteArray reply;
        rc = transact(proto::KindRead, proto::readRequest(pos, table, first, count), reply);
        if (rc != ChOk)
            return rc;
        return proto::parseReadReply(reply, count, buffer);
    }

    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        int32_t rc = proto::checkRegisterArgs(pos, table, first, count, buffer.size());
        if (rc != ChOk)
            return rc;
        // The views and tools check every word they are given; this is the guard behind them.
        if (!std::all_of(buffer.begin(), buffer.begin() + count, isRegisterWord))
            return ChNotAWord;
        QByteArray reply;
        rc = transact(proto::KindWrite, proto::writeRequest(pos, table, first, count, buffer), reply);
        if (rc != ChOk)
            return rc;
        return proto::parseResultReply(reply);
    }

    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override
    {
        if (request.size() + 1 > proto::kMaxPayload)
            return ChBadArgument;
        QByteArray payload;
        int32_t rc = transact(proto::KindService, proto::serviceRequest(service, request), payload);
        if (rc != ChOk)
            return rc;
        QByteArray data;
        rc = proto::parseResultReply(payload, &data);
        if (rc == ChOk)
            reply = data;
        return rc;
    }

protected:
    // Sends one request and waits, within the time-out, for its reply payload.
    virtual int32_t transact(uint8_t kind, const QByteArray& payload, QByteArray& reply) = 0;
};
