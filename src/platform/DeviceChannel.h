#pragma once
// The channel the program reads and writes device registers through.
// Position 0 is the coupler, 1..255 the terminals; a register is a 16-bit
// word carried in an int32_t. Every call returns 0 on success and a
// ChannelResult otherwise; on failure a read leaves the buffer untouched.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

enum ChannelResult : int32_t {
    ChOk = 0,
    ChTimeout = 0x1001,        // no (complete) answer within the time-out
    ChNoSuchTable = 0x1002,
    ChRange = 0x1003,          // first + count runs past the table
    ChWriteProtected = 0x1004,
    ChRebooting = 0x1005,
    ChBadFrame = 0x1006,       // garbled, truncated or mismatched answer
    ChNotOpen = 0x1007,
    ChBadArgument = 0x1008,    // count outside 1..256 or larger than the buffer
    ChOpenFailed = 0x1009,
    ChNoDevice = 0x100A,       // the router knows no device with that net id and port
    ChUnsupported = 0x100B,
    ChNotAWord = 0x100E,       // a value to write outside 0..65535; nothing was sent
    ChLinkLost = 0x100F,       // the line went away during the call (port vanished, connection closed or refused)
    ChCancelled = 0x1010,      // the user ended the job before this request was sent
};

// A register holds 16 bits; a value outside them is refused, never cut to fit.
constexpr bool isRegisterWord(int32_t value) { return value >= 0 && value <= 0xFFFF; }

// A short readable name for a result code, for log lines and messages.
QString channelResultText(int32_t result);
// The same in the UI language: English, else German.
QString channelResultText(int32_t result, bool english);

// True for a result that means no usable answer came (no reply, a bad frame, the port
// or the connection gone), as opposed to a device that answered with an error code.
bool isTransportFailure(int32_t result);
// True for a transport failure after which the request may still have reached the device
// (no answer, a garbled one, the line lost meanwhile): what it asked for may have been done.
bool isLostAnswer(int32_t result);

// The time-out range of every channel call: below 1 ms every call would fail, and
// above a minute a silent device would freeze the window for the four tries of a log-in.
inline constexpr int32_t kMinTimeoutMs = 1;
inline constexpr int32_t kMaxTimeoutMs = 60000;
// The serial multipoint address is the one address byte of a frame.
inline constexpr int32_t kMaxMultiPoint = 255;

class IChannelParam {
public:
    virtual ~IChannelParam() = default;
};

class ISerialChannelParam : public IChannelParam {
public:
    virtual void SetPort(int32_t comNumber) = 0;
    virtual void SetBaud(int32_t baud) = 0;
    virtual void SetTimeout(int32_t ms) = 0;
    virtual void SetMultiPoint(int32_t address) = 0;
    virtual void SetOptions(int32_t options) = 0;
};

class IQNPDeviceParam : public IChannelParam {
public:
    virtual void SetTimeout(int32_t ms) = 0;
    virtual void SetPort(int32_t port) = 0;
    virtual void SetNetId(const QString& netId) = 0; // "a.b.c.d.e.f"
};

class IDeviceChannel {
public:
    virtual ~IDeviceChannel() = default;
    // count registers from first into buffer[0..count-1]; count never exceeds buffer.size().
    virtual int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                     std::span<int32_t> buffer) = 0;
    virtual int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                                      std::span<const int32_t> buffer) = 0;
    // 0 when the port is open (also when it already was).
    virtual int32_t PortOpen() = 0;
    virtual int32_t PortClose() = 0;
    virtual IChannelParam* GetDeviceParamObj() = 0;
    // The device's address on a multipoint line, as the channel was set up with it (0 where the
    // channel has none); a channel whose address is outside 0..255 refuses every call.
    virtual int32_t MultiPoint() const { return 0; }
    // The port the channel opens, for messages ("COM2 (/dev/ttyS1)"); empty when it has no name.
    virtual QString PortName() const { return {}; }
    // Service requests of the device service and the firmware server.
    virtual int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) = 0;
};

// The network channel has the same members; only its parameter object differs.
class IQNPChannel : public IDeviceChannel {};
