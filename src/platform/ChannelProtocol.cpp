#include "ChannelProtocol.h"

#include "DeviceChannel.h"
#include "FirmwareProtocol.h"

#include <QStringList>

namespace proto {

namespace {

void putU16(QByteArray& out, uint32_t value)
{
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

uint16_t getU16(QByteArrayView data, qsizetype at)
{
    return uint16_t(uint8_t(data[at]) | (uint8_t(data[at + 1]) << 8));
}

bool isKnownKind(uint8_t kind)
{
    const uint8_t base = kind & uint8_t(~KindReply);
    return base == KindRead || base == KindWrite || base == KindService;
}

} // namespace

QByteArray encodeFrame(const Frame& frame)
{
    QByteArray out;
    out.reserve(kHeaderSize + frame.payload.size() + kCrcSize);
    out.append(char(kSync));
    out.append(char(frame.kind));
    out.append(char(frame.seq));
    out.append(char(frame.address));
    putU16(out, uint32_t(frame.payload.size()));
    out.append(frame.payload);
    putU16(out, qChecksum(QByteArrayView(out).sliced(1)));
    return out;
}

DecodeResult decodeFrame(QByteArrayView data, Frame& out)
{
    if (data.isEmpty())
        return {Decode::NeedMore, 0};
    if (uint8_t(data[0]) != kSync) {
        qsizetype skip = 1;
        while (skip < data.size() && uint8_t(data[skip]) != kSync)
            ++skip;
        return {Decode::Skipped, skip};
    }
    if (data.size() < kHeaderSize)
        return {Decode::NeedMore, 0};
    const uint8_t kind = uint8_t(data[1]);
    const qsizetype length = getU16(data, 4);
    if (!isKnownKind(kind))
        return {Decode::Skipped, 1};
    const auto takeHeader = [&] {
        out.kind = kind;
        out.seq = uint8_t(data[2]);
        out.address = uint8_t(data[3]);
    };
    if (length > kMaxPayload) {
        // The header is kept: a reply to our request that claims too much ends the call at once.
        takeHeader();
        out.payload.clear();
        return {Decode::Oversized, 1};
    }
    const qsizetype total = kHeaderSize + length + kCrcSize;
    if (data.size() < total)
        return {Decode::NeedMore, 0};
    takeHeader();
    const uint16_t crc = qChecksum(data.sliced(1, kHeaderSize - 1 + length));
    if (crc != getU16(data, kHeaderSize + length)) {
        out.payload.clear();
        return {Decode::BadChecksum, 1};
    }
    out.payload = data.sliced(kHeaderSize, length).toByteArray();
    return {Decode::Frame, total};
}

DecodeResult decodeFrameResync(QByteArrayView data, Frame& out)
{
    const DecodeResult head = decodeFrame(data, out);
    if (head.status != Decode::NeedMore || data.size() <= kHeaderSize)
        return head;
    for (qsizetype at = data.indexOf(char(kSync), 1); at > 0; at = data.indexOf(char(kSync), at + 1)) {
        Frame later;
        if (decodeFrame(data.sliced(at), later).status == Decode::Frame)
            return {Decode::Skipped, at};
    }
    return head;
}

int32_t checkRegisterArgs(int32_t pos, int32_t table, int32_t first, int32_t count, size_t bufferSize)
{
    if (pos < 0 || pos > 255 || table < 0 || table > 255 || first < 0 || first > 0xFFFF)
        return ChBadArgument;
    if (count < 1 || count > kMaxRegisters || size_t(count) > bufferSize)
        return ChBadArgument;
    return ChOk;
}

QByteArray readRequest(int32_t pos, int32_t table, int32_t first, int32_t count)
{
    QByteArray out;
    out.append(char(pos));
    out.append(char(table));
    putU16(out, uint32_t(first));
    putU16(out, uint32_t(count));
    return out;
}

QByteArray writeRequest(int32_t pos, int32_t table, int32_t first, int32_t count,
                        std::span<const int32_t> values)
{
    QByteArray out = readRequest(pos, table, first, count);
    for (int32_t i = 0; i < count; ++i)
        putU16(out, uint32_t(values[size_t(i)]) & 0xFFFF);
    return out;
}

QByteArray serviceRequest(uint8_t service, QByteArrayView data)
{
    QByteArray out;
    out.append(char(service));
    out.append(data);
    return out;
}

bool parseRegisterRequest(uint8_t kind, QByteArrayView payload, RegisterRequest& out)
{
    if (payload.size() < 6)
        return false;
    const int count = getU16(payload, 4);
    if (count < 1 || count > kMaxRegisters)
        return false;
    if (kind == KindRead) {
        if (payload.size() != 6)
            return false;
    } else if (kind == KindWrite) {
        if (payload.size() != 6 + 2 * count)
            return false;
    } else {
        return false;
    }
    out.pos = uint8_t(payload[0]);
    out.table = uint8_t(payload[1]);
    out.first = getU16(payload, 2);
    out.count = count;
    out.values.clear();
    if (kind == KindWrite) {
        out.values.reserve(size_t(count));
        for (int i = 0; i < count; ++i)
            out.values.push_back(getU16(payload, 6 + 2 * i));
    }
    return true;
}

bool parseServiceRequest(QByteArrayView payload, uint8_t& service, QByteArray& data)
{
    if (payload.isEmpty())
        return false;
    service = uint8_t(payload[0]);
    data = payload.sliced(1).toByteArray();
    return true;
}

QByteArray replyPayload(int32_t result, QByteArrayView data)
{
    QByteArray out;
    putU16(out, uint32_t(result) & 0xFFFF);
    if (result == ChOk)
        out.append(data);
    return out;
}

QByteArray readReplyPayload(std::span<const uint16_t> values)
{
    QByteArray out;
    out.reserve(2 + 2 * qsizetype(values.size()));
    putU16(out, ChOk);
    for (uint16_t v : values)
        putU16(out, v);
    return out;
}

int32_t parseReadReply(QByteArrayView payload, int32_t count, std::span<int32_t> buffer)
{
    if (payload.size() < 2)
        return ChBadFrame;
    const int32_t result = getU16(payload, 0);
    if (result != ChOk)
        return payload.size() == 2 ? result : ChBadFrame;
    if (count < 1 || size_t(count) > buffer.size() || payload.size() != 2 + 2 * qsizetype(count))
        return ChBadFrame;
    for (int32_t i = 0; i < count; ++i)
        buffer[size_t(i)] = getU16(payload, 2 + 2 * i);
    return ChOk;
}

qsizetype replyFrameSize(uint8_t kind, QByteArrayView payload)
{
    qsizetype data = 0;
    if (kind == KindRead && payload.size() >= 6)
        data = 2 * qsizetype(getU16(payload, 4));
    else if (kind == KindService && !payload.isEmpty()) {
        switch (uint8_t(payload[0])) {
        case SvcStationId:
        case SvcStationIdEx: data = 4; break;
        case SvcGetCycleTime: data = 1; break;
        case fw::SvcEnd: data = 2; break;
        default: break;
        }
    }
    return kHeaderSize + 2 + data + kCrcSize;
}

int lineTimeMs(qsizetype bytes, int baud)
{
    if (baud <= 0 || bytes <= 0)
        return 0;
    const qint64 bits = qint64(bytes) * 10;
    return int((bits * 1000 + baud - 1) / baud);
}

int32_t parseResultReply(QByteArrayView payload, QByteArray* data)
{
    if (payload.size() < 2)
        return ChBadFrame;
    const int32_t result = getU16(payload, 0);
    if (result != ChOk)
        return payload.size() == 2 ? result : ChBadFrame;
    if (data)
        *data = payload.sliced(2).toByteArray();
    else if (payload.size() != 2)
        return ChBadFrame;
    return ChOk;
}

QByteArray encodeEnvelope(const Envelope& envelope)
{
    QByteArray out;
    out.reserve(kEnvelopeHeader + envelope.frame.size());
    out.append(char(kEnvelopeMagic));
    out.append(char(envelope.status));
    for (uint8_t b : envelope.netId)
        out.append(char(b));
    putU16(out, envelope.port);
    putU16(out, uint32_t(envelope.frame.size()));
    out.append(envelope.frame);
    return out;
}

DecodeResult decodeEnvelope(QByteArrayView data, Envelope& out)
{
    if (data.isEmpty())
        return {Decode::NeedMore, 0};
    if (uint8_t(data[0]) != kEnvelopeMagic)
        return {Decode::Skipped, data.size()};
    if (data.size() < kEnvelopeHeader)
        return {Decode::NeedMore, 0};
    const qsizetype length = getU16(data, 10);
    if (length > kMaxFrame)
        return {Decode::Skipped, data.size()};
    if (data.size() < kEnvelopeHeader + length)
        return {Decode::NeedMore, 0};
    out.status = uint8_t(data[1]);
    for (size_t i = 0; i < out.netId.size(); ++i)
        out.netId[i] = uint8_t(data[qsizetype(2 + i)]);
    out.port = getU16(data, 8);
    out.frame = data.sliced(kEnvelopeHeader, length).toByteArray();
    return {Decode::Frame, kEnvelopeHeader + length};
}

bool parseNetId(const QString& text, NetId& out)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != int(out.size()))
        return false;
    NetId result{};
    for (size_t i = 0; i < result.size(); ++i) {
        bool ok = false;
        const uint value = parts[qsizetype(i)].trimmed().toUInt(&ok);
        if (!ok || value > 255)
            return false;
        result[i] = uint8_t(value);
    }
    out = result;
    return true;
}

QString netIdText(const NetId& netId)
{
    QStringList parts;
    for (uint8_t b : netId)
        parts << QString::number(b);
    return parts.join(QLatin1Char('.'));
}

} // namespace proto
