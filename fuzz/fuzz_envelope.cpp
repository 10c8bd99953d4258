// Feeds arbitrary bytes to the envelope decoder as a stream from the router, and
// the frame of every envelope it finds to the frame decoder.
#include "DecodeStream.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    decodeStream<proto::Envelope>(
        QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), proto::decodeEnvelope,
        proto::encodeEnvelope, [](const proto::Envelope& envelope) {
            decodeStream<proto::Frame>(envelope.frame, proto::decodeFrame, proto::encodeFrame, [](const proto::Frame&) {});
        });
    return 0;
}
