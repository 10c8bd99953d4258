#include "Coupler.h"

#include "platform/DeviceChannel.h"

#include <algorithm>

namespace {

constexpr int kDirectoryTable = 127;
constexpr int kDirectoryLength = 128;
constexpr int kCycleTable = 98;

QString transportName(Transport t) { return t == Transport::Serial ? QStringLiteral("serial") : QStringLiteral("qnp"); }

QString registerText(const char* kind, const proto::RegisterRequest& r)
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(QLatin1String(kind)).arg(r.pos).arg(r.table).arg(r.first).arg(r.count);
}

} // namespace

Coupler::Coupler(Station station, Faults faults)
    : m_station(std::move(station))
    , m_faults(std::move(faults))
    , m_firmware(m_station.bootStrap, m_faults.firmware)
{
    m_clock.start();
}

bool Coupler::openTrace(const QString& path)
{
    m_trace.setFileName(path);
    return m_trace.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void Coupler::trace(const QString& line)
{
    if (!m_trace.isOpen())
        return;
    m_trace.write(line.toUtf8() + '\n');
    m_trace.flush(); // tests read the trace while the coupler runs
}

void Coupler::traceNoDevice(const proto::Envelope& envelope)
{
    trace(QStringLiteral("qnp nodevice %1 %2").arg(proto::netIdText(envelope.netId)).arg(envelope.port));
}

void Coupler::clearFaults()
{
    m_plan.clear();
    m_rebootUntil = -1;
}

void Coupler::restart()
{
    m_rebootUntil = m_clock.elapsed() + m_station.rebootMs;
    m_protected = true;
    if (const QString applied = m_images.reboot(m_station); !applied.isEmpty())
        trace(applied);
}

bool Coupler::rebooting() const { return m_rebootUntil >= 0 && m_clock.elapsed() < m_rebootUntil; }

Outcome Coupler::handle(Transport transport, const proto::Frame& request)
{
    ++m_requests;
    QString what;
    proto::RegisterRequest reg;
    const bool isRegister = proto::parseRegisterRequest(request.kind, request.payload, reg);
    if (isRegister)
        what = registerText(request.kind == proto::KindRead ? "read" : "write", reg);
    else if (request.kind == proto::KindService && !request.payload.isEmpty())
        what = QStringLiteral("service %1").arg(uint8_t(request.payload[0]));
    else
        what = QStringLiteral("bad request");
    const QString prefix = transportName(transport) + QLatin1Char(' ');

    const Fault* fault = (m_plan.silent() || rebooting())
        ? nullptr
        : m_plan.take(request.kind, isRegister ? &reg : nullptr, request.payload);
    const FaultKind hit = fault ? fault->kind : FaultKind::Lost;
    if (fault) {
        // The monotonic clock is shared with the test that armed the fault.
        QElapsedTimer now;
        now.start();
        trace(QStringLiteral("fired %1 %2").arg(fault->spec).arg(now.msecsSinceReference()));
        if (hit == FaultKind::Silent)
            m_plan.setSilent();
        if (hit == FaultKind::Reboot)
            restart();
        if (hit == FaultKind::Kill) {
            trace(prefix + what + QStringLiteral(" = kill"));
            Outcome out;
            out.drop = true;
            return out;
        }
    }
    if (m_faults.silent || m_plan.silent() || rebooting()) {
        trace(prefix + what + (rebooting() ? QStringLiteral(" = silent rebooting") : QStringLiteral(" = silent")));
        return {};
    }
    const bool firmwareRequest = request.kind == proto::KindService && !request.payload.isEmpty()
        && uint8_t(request.payload[0]) >= proto::SvcFirmwareFirst && uint8_t(request.payload[0]) <= proto::SvcFirmwareLast;
    if (m_firmware.bootStrap() && !firmwareRequest) {
        trace(prefix + what + QStringLiteral(" = silent bootstrap"));
        return {};
    }
    if (transport == Transport::Qnp && m_faults.dropAfter >= 0 && m_requests == m_faults.dropAfter + 1) {
        trace(prefix + what + QStringLiteral(" = drop"));
        Outcome out;
        out.drop = true;
        return out;
    }

    QByteArray payload;
    int32_t result = ChOk;
    if (fault && hit == FaultKind::Error) {
        result = fault->code; // the request is not carried out
        payload = proto::replyPayload(result);
    } else if (request.kind == proto::KindRead && isRegister) {
        ++m_reads;
        const auto failed = m_faults.failTable.find({reg.pos, reg.table});
        if (m_reads <= m_faults.failFirstReads) {
            if (m_faults.failFirstCode == 0) {
                trace(prefix + what + QStringLiteral(" = silent"));
                return {};
            }
            result = m_faults.failFirstCode;
        } else if (failed != m_faults.failTable.end()) {
            result = failed->second;
        } else {
            std::vector<uint16_t> values;
            result = read(reg, values);
            if (result == ChOk)
                payload = proto::readReplyPayload(values);
        }
        if (result != ChOk)
            payload = proto::replyPayload(result);
    } else if (request.kind == proto::KindWrite && isRegister) {
        const auto refused = m_faults.failWrite.find({reg.pos, reg.table});
        result = refused != m_faults.failWrite.end() ? refused->second : write(reg);
        payload = proto::replyPayload(result);
    } else if (request.kind == proto::KindService) {
        uint8_t svc = 0;
        QByteArray data, replyData;
        if (proto::parseServiceRequest(request.payload, svc, data)) {
            result = service(svc, data, replyData, what);
        } else {
            result = ChBadArgument;
        }
        payload = proto::replyPayload(result, replyData);
    } else {
        result = ChBadArgument;
        payload = proto::replyPayload(result);
    }

    proto::Frame reply;
    reply.kind = request.kind | proto::KindReply;
    reply.seq = fault && hit == FaultKind::WrongSeq ? uint8_t(request.seq + 1) : request.seq;
    reply.address = request.address;
    reply.payload = payload;
    Outcome out;
    out.frame = proto::encodeFrame(reply);
    ++m_replies;
    QString note;
    if (fault && hit == FaultKind::Lost) {
        trace(prefix + what + QStringLiteral(" = %1 lost").arg(result));
        return {};
    }
    if (fault && hit == FaultKind::WrongSeq)
        note = QStringLiteral(" wrongseq");
    if (fault && hit == FaultKind::Truncated && transport == Transport::Qnp) {
        out.cutStream = true; // the TCP stream breaks off inside the envelope
        note = QStringLiteral(" truncated");
    } else if ((fault && hit == FaultKind::Garbled) || m_faults.garbleReplies.count(m_replies)) {
        // A byte inside the payload: the header still says whose reply it is.
        out.frame[proto::kHeaderSize + payload.size() / 2] = char(out.frame[proto::kHeaderSize + payload.size() / 2] ^ 0x5A);
        note = QStringLiteral(" garbled");
    } else if ((fault && hit == FaultKind::Truncated) || m_faults.truncateReplies.count(m_replies)) {
        out.frame.truncate(out.frame.size() / 2);
        note = QStringLiteral(" truncated");
    }
    trace(prefix + what + QStringLiteral(" = %1").arg(result) + note);
    return out;
}

RegisterTable* Coupler::findTable(int pos, int table)
{
    const auto device = m_station.devices.find(pos);
    if (device == m_station.devices.end())
        return nullptr;
    const auto t = device->second.tables.find(table);
    return t == device->second.tables.end() ? nullptr : &t->second;
}

void Coupler::fillDirectory(std::vector<uint16_t>& regs) const
{
    regs.assign(kDirectoryLength, 0);
    const auto coupler = m_station.devices.find(0);
    if (coupler != m_station.devices.end()) {
        for (const auto& [number, table] : coupler->second.tables) {
            if (number < kDirectoryTable)
                regs[size_t(number)] = uint16_t(table.regs.size());
        }
    }
    regs[kDirectoryTable] = kDirectoryLength;
}

void Coupler::refreshInputs(RegisterTable& table)
{
    // A counter every 100 ms and a walking bit, so a view can see the inputs live.
    const qint64 ticks = m_clock.elapsed() / 100;
    table.regs[0] = uint16_t(ticks & 0xFFFF);
    if (table.regs.size() > 1)
        table.regs[1] = uint16_t(1u << (ticks % 16));
}

void Coupler::sampleCycleTime(RegisterTable& table)
{
    if (table.regs.size() < 4)
        return;
    m_noise = m_noise * 1103515245u + 12345u;
    const int spread = std::max(1, m_station.cycleTime / 10);
    const int current = std::clamp(m_station.cycleTime + int((m_noise >> 16) % uint32_t(2 * spread + 1)) - spread, 1, 65534);
    m_cycleSum += uint64_t(current);
    ++m_cycleCount;
    table.regs[0] = uint16_t(std::min<int>(table.regs[0], current));
    table.regs[1] = uint16_t(std::max<int>(table.regs[1], current));
    table.regs[2] = uint16_t(current);
    table.regs[3] = uint16_t(m_cycleSum / m_cycleCount);
}

int32_t Coupler::read(const proto::RegisterRequest& r, std::vector<uint16_t>& values)
{
    if (r.pos == 0 && r.table == kDirectoryTable && m_station.directory) {
        std::vector<uint16_t> dir;
        fillDirectory(dir);
        if (r.first + r.count > int(dir.size()))
            return ChRange;
        values.assign(dir.begin() + r.first, dir.begin() + r.first + r.count);
        return ChOk;
    }
    RegisterTable* table = findTable(r.pos, r.table);
    if (!table)
        return ChNoSuchTable;
    if (r.first + r.count > int(table->regs.size()))
        return ChRange;
    if (const int code = registerReadFault(m_faults.registers, r))
        return code;
    if (table->inputs)
        refreshInputs(*table);
    if (r.pos == 0 && r.table == kCycleTable && m_cycleActive)
        sampleCycleTime(*table);
    values.assign(table->regs.begin() + r.first, table->regs.begin() + r.first + r.count);
    return ChOk;
}

int32_t Coupler::write(const proto::RegisterRequest& r)
{
    if (r.pos == 0 && r.table == kDirectoryTable && m_station.directory)
        return ChWriteProtected; // the directory follows the tables; it is not written
    RegisterTable* table = findTable(r.pos, r.table);
    if (!table)
        return ChNoSuchTable;
    if (r.pos == 0 && m_protected && writeGuarded(m_station.protectedTables, r.table, r.first, r.count))
        return ChWriteProtected;
    if (r.first + r.count > int(table->regs.size()))
        return ChRange;
    if (const int code = registerWriteFault(m_faults.registers, r))
        return code;
    applyRegisterWrite(*table, r, m_faults.registers);
    if (r.pos == 0 && r.table == kCycleTable) {
        m_cycleSum = 0; // a written statistics block starts the measurement afresh
        m_cycleCount = 0;
    }
    return ChOk;
}

int32_t Coupler::service(uint8_t svc, const QByteArray& data, QByteArray& replyData, QString& what)
{
    const auto flag = [&](bool& out) {
        if (data.size() != 1 || uint8_t(data[0]) > 1)
            return false;
        out = data[0] == '\1';
        return true;
    };
    bool on = false;
    switch (svc) {
    case proto::SvcReboot:
        what = QStringLiteral("service reboot");
        if (!data.isEmpty())
            return ChBadArgument;
        restart();
        return ChOk;
    case proto::SvcProtection:
        what = QStringLiteral("service protection %1").arg(data.isEmpty() ? -1 : int(uint8_t(data[0])));
        if (!flag(on))
            return ChBadArgument;
        m_protected = on;
        return ChOk;
    case proto::SvcStationId:
    case proto::SvcStationIdEx: {
        what = svc == proto::SvcStationId ? QStringLiteral("service stationid") : QStringLiteral("service stationidex");
        const uint32_t id = uint32_t(m_station.stationId);
        for (int i = 0; i < 4; ++i)
            replyData.append(char((id >> (8 * i)) & 0xFF));
        return ChOk;
    }
    case proto::SvcSetCycleTime:
        what = QStringLiteral("service setcycletime %1").arg(data.isEmpty() ? -1 : int(uint8_t(data[0])));
        if (!flag(on))
            return ChBadArgument;
        m_cycleActive = on;
        return ChOk;
    case proto::SvcGetCycleTime:
        what = QStringLiteral("service getcycletime");
        replyData.append(m_cycleActive ? '\1' : '\0');
        return ChOk;
    default:
        if (svc >= proto::SvcFirmwareFirst && svc <= proto::SvcFirmwareLast)
            return firmwareService(svc, data, replyData, what);
        return ChUnsupported;
    }
}

int32_t Coupler::firmwareService(uint8_t svc, const QByteArray& data, QByteArray& replyData, QString& what)
{
    FirmwareTarget::Outcome out = m_firmware.service(svc, data);
    what = out.what;
    replyData = out.replyData;
    if (out.installed) {
        if (RegisterTable* table = findTable(0, 0); table && table->regs.size() > 255)
            table->regs[255] = *out.installed;
    }
    if (out.leftBootStrap)
        m_rebootUntil = m_clock.elapsed() + m_station.rebootMs; // the new firmware starts up
    return out.result;
}
