#pragma once
// A channel that hands every call to another one, for wrappers that watch or end a job;
// with no inner channel every request fails with ChNotOpen.
#include "DeviceChannel.h"

class PassThroughChannel : public IDeviceChannel {
public:
    explicit PassThroughChannel(IDeviceChannel* inner) : m_inner(inner) {}

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        return m_inner ? m_inner->VbRegSyncReadReq(pos, table, first, count, buffer) : int32_t(ChNotOpen);
    }
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        return m_inner ? m_inner->VbRegSyncWriteReq(pos, table, first, count, buffer) : int32_t(ChNotOpen);
    }
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override
    {
        return m_inner ? m_inner->ServiceRequest(service, request, reply) : int32_t(ChNotOpen);
    }
    int32_t PortOpen() override { return m_inner ? m_inner->PortOpen() : int32_t(ChNotOpen); }
    int32_t PortClose() override { return m_inner ? m_inner->PortClose() : int32_t(ChOk); }
    IChannelParam* GetDeviceParamObj() override { return m_inner ? m_inner->GetDeviceParamObj() : nullptr; }

protected:
    IDeviceChannel* m_inner;
};
