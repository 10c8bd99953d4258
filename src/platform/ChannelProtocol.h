#pragma once
// Our device protocol: framed requests and replies with a CRC, the same
// frames on the serial line and, inside an envelope naming the target device,
// on the TCP link to the QNP router. The layout is described in docs/protocol.md.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace proto {

constexpr uint8_t kSync = 0xA5;
constexpr qsizetype kHeaderSize = 6; // sync, kind, sequence, address, payload length (2)
constexpr qsizetype kCrcSize = 2;
constexpr qsizetype kMaxPayload = 1024;
constexpr qsizetype kMaxFrame = kHeaderSize + kMaxPayload + kCrcSize;
constexpr int kMaxRegisters = 256;

enum Kind : uint8_t {
    KindRead = 0x01,
    KindWrite = 0x02,
    KindService = 0x03,
    KindReply = 0x80, // or-ed into the request's kind
};

enum Service : uint8_t {
    SvcReboot = 0x01,
    SvcProtection = 0x02,      // data: 1 protect, 0 lift
    SvcStationId = 0x03,       // reply data: station id, 4 bytes
    SvcStationIdEx = 0x04,
    SvcSetCycleTime = 0x05,    // data: 1 on, 0 off
    SvcGetCycleTime = 0x06,    // reply data: 1 byte, 1 on
    SvcFirmwareFirst = 0x20,   // 0x20..0x2F kept for firmware transfer
    SvcFirmwareLast = 0x2F,
};

struct Frame {
    uint8_t kind = 0;
    uint8_t seq = 0;
    uint8_t address = 0;
    QByteArray payload;
};

QByteArray encodeFrame(const Frame& frame);

enum class Decode {
    NeedMore,    // nothing usable yet; consumed is 0
    Frame,       // a whole frame with a good checksum; consumed is its size
    Skipped,     // consumed bytes are not the start of a frame
    BadChecksum, // a frame-shaped run with a wrong checksum; header fields are filled, consumed is 1
    Oversized,   // a header of a known kind claiming more than kMaxPayload; header fields are filled, consumed is 1
};

struct DecodeResult {
    Decode status = Decode::NeedMore;
    qsizetype consumed = 0;
};

// Looks at the start of data for one frame. Never reads past data.
DecodeResult decodeFrame(QByteArrayView data, Frame& out);
// As decodeFrame, but a frame-shaped start still waiting for bytes is given up
// (Skipped up to the later frame) once a whole frame with a good checksum starts at a
// later sync byte: line noise that looks like the header of a long frame must not
// swallow the frames behind it.
DecodeResult decodeFrameResync(QByteArrayView data, Frame& out);

// Register requests. checkRegisterArgs gives 0 or ChBadArgument.
int32_t checkRegisterArgs(int32_t pos, int32_t table, int32_t first, int32_t count, size_t bufferSize);
QByteArray readRequest(int32_t pos, int32_t table, int32_t first, int32_t count);
QByteArray writeRequest(int32_t pos, int32_t table, int32_t first, int32_t count,
                        std::span<const int32_t> values);
QByteArray serviceRequest(uint8_t service, QByteArrayView data);

struct RegisterRequest {
    int pos = 0, table = 0, first = 0, count = 0;
    std::vector<uint16_t> values; // writes only
};
// The device side: false for a payload that does not fit its kind.
bool parseRegisterRequest(uint8_t kind, QByteArrayView payload, RegisterRequest& out);
bool parseServiceRequest(QByteArrayView payload, uint8_t& service, QByteArray& data);

// A reply payload: result (2 bytes) then, for result 0, the data.
QByteArray replyPayload(int32_t result, QByteArrayView data = {});
QByteArray readReplyPayload(std::span<const uint16_t> values);

// The client side. Both give the device's result, or ChBadFrame for a payload of the
// wrong size; the buffer and data are touched only on success.
int32_t parseReadReply(QByteArrayView payload, int32_t count, std::span<int32_t> buffer);
int32_t parseResultReply(QByteArrayView payload, QByteArray* data = nullptr);

// The size of the whole reply frame a request of kind with this payload gets when it succeeds.
qsizetype replyFrameSize(uint8_t kind, QByteArrayView payload);
// Milliseconds that bytes take on a serial line of baud (ten bits a byte), rounded up; 0 for no baud.
int lineTimeMs(qsizetype bytes, int baud);

// The envelope on the TCP link to the router.
constexpr uint8_t kEnvelopeMagic = 0x51;
constexpr qsizetype kEnvelopeHeader = 12; // magic, status, net id (6), port (2), frame length (2)
enum EnvelopeStatus : uint8_t { EnvDelivered = 0, EnvNoDevice = 1 };
using NetId = std::array<uint8_t, 6>;

struct Envelope {
    uint8_t status = EnvDelivered;
    NetId netId{};
    uint16_t port = 0;
    QByteArray frame;
};

QByteArray encodeEnvelope(const Envelope& envelope);
// NeedMore, Frame (a whole envelope) or Skipped (the stream is broken: wrong magic or length).
DecodeResult decodeEnvelope(QByteArrayView data, Envelope& out);

bool parseNetId(const QString& text, NetId& out); // six numbers 0..255 joined by dots
QString netIdText(const NetId& netId);

} // namespace proto
