#pragma once
// The serial channel: our frames over a serial port. COM port N is looked up
// in the link folder (a file or symbolic link COM<N> naming the device);
// without a link it is /dev/ttyS<N-1>.
#include "FrameChannel.h"

#include <memory>

class QSerialPort;

class SerialChannel : public FrameChannel<IDeviceChannel> {
public:
    SerialChannel();
    ~SerialChannel() override;

    int32_t PortOpen() override;
    int32_t PortClose() override;
    IChannelParam* GetDeviceParamObj() override { return &m_param; }
    QString PortName() const override;
    int32_t MultiPoint() const override { return m_param.multiPoint; }

    // TD4700_PORTS_DIR, else <user config folder>/td4700/ports.
    static QString portsFolder();
    // The device path of COM<comNumber>; empty for a number below 1.
    static QString devicePathForCom(int32_t comNumber);

protected:
    int32_t transact(uint8_t kind, const QByteArray& payload, QByteArray& reply) override;

private:
    class Param : public ISerialChannelParam {
    public:
        void SetPort(int32_t v) override { port = v; }
        void SetBaud(int32_t v) override { baud = v; }
        void SetTimeout(int32_t v) override { timeout = clampTimeout(v); }
        void SetMultiPoint(int32_t v) override { multiPoint = v; }
        void SetOptions(int32_t v) override { options = v; } // kept; no option changes our framing
        int32_t port = 1;
        int32_t baud = 19200;
        int32_t timeout = 500;
        int32_t multiPoint = 0;
        int32_t options = 0;
    };

    void closePort();

    Param m_param;
    std::unique_ptr<QSerialPort> m_port;
    int32_t m_openCom = 0;
    int32_t m_openBaud = 0;
    bool m_lost = false; // the device went away; the next call reopens the port
    uint8_t m_seq = 0;
};
