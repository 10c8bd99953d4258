#include "SerialChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>

namespace {

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

SerialChannel::SerialChannel() = default;

SerialChannel::~SerialChannel() { closePort(); }

QString SerialChannel::portsFolder()
{
    const QString fromEnv = qEnvironmentVariable("TD4700_PORTS_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/td4700/ports");
}

QString SerialChannel::devicePathForCom(int32_t comNumber)
{
    if (comNumber < 1)
        return {};
    const QFileInfo link(QDir(portsFolder()).filePath(QStringLiteral("COM%1").arg(comNumber)));
    if (link.isSymLink())
        return link.symLinkTarget();
    if (link.isFile()) {
        QFile file(link.filePath());
        if (file.open(QIODevice::ReadOnly)) {
            const QString target = QString::fromLocal8Bit(file.read(4096)).section(QLatin1Char('\n'), 0, 0).trimmed();
            if (!target.isEmpty())
                return target;
        }
    }
    return QStringLiteral("/dev/ttyS%1").arg(comNumber - 1);
}

QString SerialChannel::PortName() const
{
    return QStringLiteral("COM%1 (%2)").arg(m_param.port).arg(devicePathForCom(m_param.port));
}

void SerialChannel::closePort()
{
    if (m_port && m_port->isOpen())
        m_port->close();
    m_port.reset();
    m_openCom = 0;
    m_lost = false;
}

int32_t SerialChannel::PortOpen()
{
    if (m_port && m_port->isOpen() && !m_lost && m_openCom == m_param.port) {
        if (m_openBaud != m_param.baud) {
            if (!m_port->setBaudRate(m_param.baud))
                return ChOpenFailed;
            m_openBaud = m_param.baud;
        }
        return ChOk;
    }
    closePort();
    const QString path = devicePathForCom(m_param.port);
    if (path.isEmpty() || m_param.baud <= 0)
        return ChOpenFailed;
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(path);
    port->setBaudRate(m_param.baud);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return ChOpenFailed;
    port->clear();
    // A vanished device (other end closed, adapter pulled) would keep the port's notifier
    // firing in the event loop; close it and reopen at the next call.
    QSerialPort* raw = port.get();
    QObject::connect(raw, &QSerialPort::errorOccurred, raw, [this, raw](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
            return;
        m_lost = true;
        QMetaObject::invokeMethod(raw, [raw] { raw->close(); }, Qt::QueuedConnection);
    });
    m_lost = false;
    m_port = std::move(port);
    m_openCom = m_param.port;
    m_openBaud = m_param.baud;
    return ChOk;
}

int32_t SerialChannel::PortClose()
{
    closePort();
    return ChOk;
}

int32_t SerialChannel::transact(uint8_t kind, const QByteArray& payload, QByteArray& reply)
{
    if (m_lost) {
        // The port is still open for the caller: try the device again.
        if (PortOpen() != ChOk) {
            m_lost = true;
            return ChNotOpen;
        }
    } else if (!m_port || !m_port->isOpen()) {
        return ChNotOpen;
    }
    if (m_param.multiPoint < 0 || m_param.multiPoint > 255)
        return ChBadArgument; // the address is one byte; a cut-down one would reach another station
    // New port or baud values apply to the next call as well as to the next open.
    if (m_openCom != m_param.port || m_openBaud != m_param.baud) {
        if (PortOpen() != ChOk)
            return ChNotOpen;
    }
    proto::Frame request;
    request.kind = kind;
    request.seq = ++m_seq;
    request.address = uint8_t(m_param.multiPoint);
    request.payload = payload;
    const QByteArray bytes = proto::encodeFrame(request);
    // A slow line needs its time for the request and the reply on top of the device's time-out:
    // a full table at 9600 baud takes longer on the wire than the default time-out.
    const int lineMs = proto::lineTimeMs(bytes.size() + proto::replyFrameSize(kind, payload), m_openBaud);
    const QDeadlineTimer deadline(qint64(clampTimeout(m_param.timeout)) + lineMs);

    // A reply that came after its request's time-out must not answer this request.
    m_port->readAll();
    m_port->clear(QSerialPort::Input);
    m_port->clearError();

    if (m_port->write(bytes) != bytes.size())
        return ChTimeout;
    while (m_port->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_port->waitForBytesWritten(remainingMs(deadline)))
            return ChTimeout;
    }

    const uint8_t replyKind = kind | proto::KindReply;
    QByteArray rx;
    bool sawGarbage = false;
    for (;;) {
        rx += m_port->readAll();
        while (!rx.isEmpty()) {
            proto::Frame frame;
            const proto::DecodeResult r = proto::decodeFrameResync(rx, frame);
            if (r.status == proto::Decode::NeedMore)
                break;
            rx.remove(0, r.consumed);
            const bool ours = frame.kind == replyKind && frame.seq == request.seq
                && frame.address == request.address;
            if (r.status == proto::Decode::Frame && ours) {
                reply = frame.payload;
                return ChOk;
            }
            if ((r.status == proto::Decode::BadChecksum || r.status == proto::Decode::Oversized) && ours)
                return ChBadFrame;
            if (r.status != proto::Decode::Frame)
                sawGarbage = true;
        }
        if (deadline.hasExpired())
            break;
        m_port->clearError();
        if (!m_port->waitForReadyRead(remainingMs(deadline))) {
            const QSerialPort::SerialPortError error = m_port->error();
            if (m_lost || (error != QSerialPort::NoError && error != QSerialPort::TimeoutError))
                break; // the line is gone (e.g. the other end closed); no answer will come
        }
    }
    return (sawGarbage || !rx.isEmpty()) ? ChBadFrame : ChTimeout;
}
