#pragma once
// A channel double: serves register tables from memory, fails on request,
// and records every call in order.
#include "platform/DeviceChannel.h"
#include "platform/DeviceService.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class ScriptedChannel : public IQNPChannel {
public:
    struct Call {
        QString kind; // "read", "write", "open", "close", "service"
        int pos = 0, table = 0, first = 0, count = 0;
        QVector<int32_t> values; // written values
    };

    // Table contents by (position, table); a read outside an existing table gives ChRange,
    // a read of an unknown table ChNoSuchTable.
    void setTable(int pos, int table, const QVector<int32_t>& regs) { m_tables[{pos, table}] = regs; }
    void setRegister(int pos, int table, int reg, int32_t value);
    QVector<int32_t> table(int pos, int table) const { return m_tables.value({pos, table}); }
    // Every read of (pos, table) fails with code; -1 as table means any table of pos.
    void failReads(int pos, int table, int32_t code) { m_readFailures[{pos, table}] = code; }
    void clearFailures() { m_readFailures.clear(); m_failNextReads = 0; }
    // The next n reads fail with code (used for the log-in probe).
    void failNextReads(int n, int32_t code = ChTimeout) { m_failNextReads = n; m_failNextCode = code; }
    void setWriteResult(int32_t code) { m_writeResult = code; }
    void setOpenResult(int32_t code) { m_openResult = code; }

    QList<Call> calls;
    QStringList callLog() const; // "read 0 9 0 2", "open", ...
    int readCount() const;
    bool isOpen = false;

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override;
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override;
    int32_t PortOpen() override;
    int32_t PortClose() override;
    IChannelParam* GetDeviceParamObj() override { return m_param; }
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override;

    void setParamObj(IChannelParam* param) { m_param = param; }

private:
    QMap<QPair<int, int>, QVector<int32_t>> m_tables;
    QMap<QPair<int, int>, int32_t> m_readFailures;
    int m_failNextReads = 0;
    int32_t m_failNextCode = ChTimeout;
    int32_t m_writeResult = ChOk;
    int32_t m_openResult = ChOk;
    IChannelParam* m_param = nullptr;
};

// Records the setters in the order they are called: "Baud 19200", "NetId 1.2.3.4.5.6".
class RecordingSerialParam : public ISerialChannelParam {
public:
    QStringList calls;
    void SetPort(int32_t v) override { calls << QStringLiteral("Port %1").arg(v); }
    void SetBaud(int32_t v) override { calls << QStringLiteral("Baud %1").arg(v); }
    void SetTimeout(int32_t v) override { calls << QStringLiteral("Timeout %1").arg(v); }
    void SetMultiPoint(int32_t v) override { calls << QStringLiteral("MultiPoint %1").arg(v); }
    void SetOptions(int32_t v) override { calls << QStringLiteral("Options %1").arg(v); }
};

class RecordingQnpParam : public IQNPDeviceParam {
public:
    QStringList calls;
    void SetTimeout(int32_t v) override { calls << QStringLiteral("Timeout %1").arg(v); }
    void SetPort(int32_t v) override { calls << QStringLiteral("Port %1").arg(v); }
    void SetNetId(const QString& v) override { calls << QStringLiteral("NetId %1").arg(v); }
};

// Records device-service calls: "AbolishProtection 1", "RebootDevice".
class RecordingDeviceService : public IDeviceService {
public:
    QStringList calls;
    int32_t result = 0;
    int32_t stationId = 0;
    bool cycleActive = false;
    void RebootDevice(IDeviceChannel*, int32_t& r) override { calls << QStringLiteral("RebootDevice"); r = result; }
    void AbolishProtection(IDeviceChannel*, bool protect, int32_t& r) override
    {
        calls << QStringLiteral("AbolishProtection %1").arg(protect ? 1 : 0);
        r = result;
    }
    int32_t ReadStationId(IDeviceChannel*, int32_t& id) override
    {
        calls << QStringLiteral("ReadStationId");
        if (result == 0) id = stationId;
        return result;
    }
    int32_t ReadStationIdEx(IDeviceChannel*, int32_t& id) override
    {
        calls << QStringLiteral("ReadStationIdEx");
        if (result == 0) id = stationId;
        return result;
    }
    void SetCycleTimeMeasurement(IDeviceChannel*, bool active, int32_t& r) override
    {
        calls << QStringLiteral("SetCycleTimeMeasurement %1").arg(active ? 1 : 0);
        cycleActive = active;
        r = result;
    }
    void GetCycleTimeMeasurement(IDeviceChannel*, bool& active, int32_t& r) override
    {
        calls << QStringLiteral("GetCycleTimeMeasurement");
        if (result == 0) active = cycleActive;
        r = result;
    }
};
