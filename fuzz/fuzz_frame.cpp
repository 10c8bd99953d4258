// Feeds arbitrary bytes to the frame decoder as a stream from the line, and every
// frame it finds to the request and reply parsers of both sides.
#include "DecodeStream.h"
#include "platform/DeviceChannel.h"

#include <array>
#include <cstdint>

namespace {

void parsePayload(const proto::Frame& frame)
{
    const uint8_t kind = frame.kind & uint8_t(~proto::KindReply);
    proto::RegisterRequest request;
    if (proto::parseRegisterRequest(kind, frame.payload, request)) {
        // What the device understood, encoded again, is what was sent.
        std::array<int32_t, proto::kMaxRegisters> values{};
        for (size_t i = 0; i < request.values.size(); ++i)
            values[i] = request.values[i];
        const QByteArray again = kind == proto::KindWrite
            ? proto::writeRequest(request.pos, request.table, request.first, request.count, values)
            : proto::readRequest(request.pos, request.table, request.first, request.count);
        if (again != frame.payload)
            __builtin_trap();
    }
    uint8_t service = 0;
    QByteArray data;
    (void)proto::parseServiceRequest(frame.payload, service, data);

    // The client asks for as many registers as the reply seems to hold, and for one more.
    std::array<int32_t, proto::kMaxRegisters> buffer{};
    const int32_t count = int32_t((frame.payload.size() - 2) / 2);
    for (int32_t asked : {count, count + 1, int32_t(frame.seq)}) {
        if (proto::parseReadReply(frame.payload, asked, buffer) != ChOk)
            continue;
        std::array<uint16_t, proto::kMaxRegisters> words{};
        for (int32_t i = 0; i < asked; ++i)
            words[size_t(i)] = uint16_t(buffer[size_t(i)]);
        if (proto::readReplyPayload(std::span(words).first(size_t(asked))) != frame.payload)
            __builtin_trap();
    }
    (void)proto::parseResultReply(frame.payload, &data);
    (void)proto::parseResultReply(frame.payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    decodeStream<proto::Frame>(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), proto::decodeFrame,
                               proto::encodeFrame, parsePayload);
    return 0;
}
