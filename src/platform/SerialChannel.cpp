#include "SerialChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

// The transfer works on the port's descriptor: the port object's own reads only happen in
// its wait calls, so a reply that came while this process waited for the processor would
// sit unread in the line until the deadline and be taken for a silent device.
enum class Io { Done, TimedOut, Gone };

Io writeAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return Io::Gone;
        if (deadline.hasExpired())
            return Io::TimedOut;
        pollfd pfd{fd, POLLOUT, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) < 0 && errno != EINTR)
            return Io::Gone;
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))
            return Io::Gone;
    }
    return Io::Done;
}

// Appends what the line holds now; false when the other end is gone.
bool readAvailable(int fd, QByteArray& rx)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            rx.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // In raw mode without a minimum count an empty line reads as 0; EIO: the other end closed.
        return n == 0 || errno == EAGAIN;
    }
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
    // The transfer reads and writes the descriptor itself and must never block on it.
    const int fd = int(port->handle());
    if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return ChOpenFailed;
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
        // The port is still open for the caller: try the device again. Until it is back the
        // line stays lost, which the user mends at the cable, not by opening the port.
        if (PortOpen() != ChOk) {
            m_lost = true;
            return ChLinkLost;
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
    const int fd = int(m_port->handle());

    if (const Io sent = writeAll(fd, bytes, deadline); sent != Io::Done) {
        m_lost = sent == Io::Gone;
        return m_lost ? ChLinkLost : ChTimeout;
    }

    const uint8_t replyKind = kind | proto::KindReply;
    QByteArray rx;
    bool sawGarbage = false;
    for (bool hungUp = false;;) {
        const bool lineUp = readAvailable(fd, rx) && !hungUp; // what came before a hang-up still counts
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
        if (!lineUp) {
            m_lost = true; // no answer will come; the next call opens the port again
            return ChLinkLost; // the cable, not the time-out, is what the user must look at
        }
        if (deadline.hasExpired())
            break;
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, remainingMs(deadline)) < 0 && errno != EINTR) {
            m_lost = true;
            return ChLinkLost;
        }
        hungUp = pfd.revents & (POLLERR | POLLHUP | POLLNVAL);
    }
    return (sawGarbage || !rx.isEmpty()) ? ChBadFrame : ChTimeout;
}
