#include "ScriptedChannel.h"

void ScriptedChannel::setRegister(int pos, int table, int reg, int32_t value)
{
    auto& regs = m_tables[{pos, table}];
    if (regs.size() <= reg)
        regs.resize(reg + 1);
    regs[reg] = value;
}

QStringList ScriptedChannel::callLog() const
{
    QStringList out;
    for (const Call& c : calls) {
        if (c.kind == QLatin1String("read") || c.kind == QLatin1String("write"))
            out << QStringLiteral("%1 %2 %3 %4 %5").arg(c.kind).arg(c.pos).arg(c.table).arg(c.first).arg(c.count);
        else
            out << c.kind;
    }
    return out;
}

int ScriptedChannel::readCount() const
{
    int n = 0;
    for (const Call& c : calls)
        n += c.kind == QLatin1String("read");
    return n;
}

int32_t ScriptedChannel::VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                          std::span<int32_t> buffer)
{
    calls.append({QStringLiteral("read"), pos, table, first, count, {}});
    if (count < 1 || count > 256 || size_t(count) > buffer.size() || first < 0)
        return ChBadArgument;
    if (m_failNextReads > 0) {
        --m_failNextReads;
        return m_failNextCode;
    }
    if (m_readFailures.contains({pos, table}))
        return m_readFailures.value({pos, table});
    if (m_readFailures.contains({pos, -1}))
        return m_readFailures.value({pos, -1});
    auto it = m_tables.constFind({pos, table});
    if (it == m_tables.cend())
        return ChNoSuchTable;
    if (first + count > it->size())
        return ChRange;
    for (int i = 0; i < count; ++i)
        buffer[i] = (*it)[first + i] & 0xFFFF;
    return ChOk;
}

int32_t ScriptedChannel::VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                           std::span<const int32_t> buffer)
{
    Call c{QStringLiteral("write"), pos, table, first, count, {}};
    for (int i = 0; i < count && size_t(i) < buffer.size(); ++i)
        c.values << buffer[i];
    calls.append(c);
    if (count < 1 || count > 256 || size_t(count) > buffer.size() || first < 0)
        return ChBadArgument;
    if (m_writeResult != ChOk)
        return m_writeResult;
    auto it = m_tables.find({pos, table});
    if (it == m_tables.end())
        return ChNoSuchTable;
    if (first + count > it->size())
        return ChRange;
    for (int i = 0; i < count; ++i)
        (*it)[first + i] = buffer[i] & 0xFFFF;
    return ChOk;
}

int32_t ScriptedChannel::PortOpen()
{
    calls.append({QStringLiteral("open"), 0, 0, 0, 0, {}});
    if (m_openResult == ChOk)
        isOpen = true;
    return m_openResult;
}

int32_t ScriptedChannel::PortClose()
{
    calls.append({QStringLiteral("close"), 0, 0, 0, 0, {}});
    isOpen = false;
    return ChOk;
}

int32_t ScriptedChannel::ServiceRequest(uint8_t service, const QByteArray&, QByteArray&)
{
    calls.append({QStringLiteral("service"), service, 0, 0, 0, {}});
    return ChUnsupported;
}
