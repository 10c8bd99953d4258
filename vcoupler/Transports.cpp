#include "Transports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

SerialLine::SerialLine(Coupler& coupler, QObject* parent)
    : QObject(parent)
    , m_coupler(coupler)
{
}

SerialLine::~SerialLine()
{
    // Remove the link only while it still names our terminal: another coupler may own it now.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_devicePath)
        QFile::remove(m_linkPath);
    close();
}

void SerialLine::close()
{
    // Called from the read notifier's own signal when the line is pulled.
    for (QSocketNotifier* notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = m_writeNotifier = nullptr;
    if (m_keepSlave >= 0)
        ::close(m_keepSlave);
    if (m_master >= 0)
        ::close(m_master);
    m_keepSlave = m_master = -1;
    m_rx.clear();
    m_tx.clear();
}

void SerialLine::replug()
{
    // The new terminal is linked before the old one hangs up: a client that
    // sees the hang-up and opens the port again reaches the new line.
    const int oldMaster = m_master;
    const int oldSlave = m_keepSlave;
    m_master = m_keepSlave = -1;
    close();
    QString error;
    if (!open(m_comNumber, m_portsDir, error))
        m_coupler.trace(QStringLiteral("serial replug failed: %1").arg(error));
    for (const int fd : {oldSlave, oldMaster})
        if (fd >= 0)
            ::close(fd);
}

bool SerialLine::open(int comNumber, const QString& portsDir, QString& error)
{
    m_comNumber = comNumber;
    m_portsDir = portsDir;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (!name) {
        error = QStringLiteral("no pseudo-terminal name");
        return false;
    }
    m_devicePath = QString::fromLocal8Bit(name);
    m_keepSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_keepSlave < 0) {
        error = QStringLiteral("cannot open %1").arg(m_devicePath);
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_keepSlave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_keepSlave, TCSANOW, &tio);
    }
    if (comNumber >= 1) {
        QDir().mkpath(portsDir);
        m_linkPath = QDir(portsDir).filePath(QStringLiteral("COM%1").arg(comNumber));
        // Replaced in one step, so the port never goes missing for a client.
        const QString newLink = m_linkPath + QStringLiteral(".new");
        QFile::remove(newLink);
        if (!QFile::link(m_devicePath, newLink) || ::rename(QFile::encodeName(newLink), QFile::encodeName(m_linkPath)) != 0) {
            error = QStringLiteral("cannot link %1").arg(m_linkPath);
            m_linkPath.clear();
            return false;
        }
    }
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { readable(); });
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { flush(); });
    return true;
}

void SerialLine::readable()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        m_rx.append(buf, n);
    }
    while (!m_rx.isEmpty()) {
        proto::Frame frame;
        // Noise that looks like the header of a long frame must not swallow the next request.
        const proto::DecodeResult r = proto::decodeFrameResync(m_rx, frame);
        if (r.status == proto::Decode::NeedMore)
            break;
        m_rx.remove(0, r.consumed);
        if (r.status != proto::Decode::Frame || (frame.kind & proto::KindReply))
            continue;
        if (frame.address != m_coupler.station().multiPoint)
            continue; // another station's address on the bus
        const Outcome out = m_coupler.handle(Transport::Serial, frame);
        if (out.drop) {
            replug();
            return;
        }
        if (out.frame.isEmpty())
            continue;
        const int delay = m_coupler.delayMs() + pacing.replyDelayMs(r.consumed, out.frame.size());
        if (delay > 0) {
            const QByteArray bytes = out.frame;
            QTimer::singleShot(delay, this, [this, bytes] { write(bytes); });
        } else {
            write(out.frame);
        }
    }
}

void SerialLine::takeInPending()
{
    if (m_master >= 0)
        readable();
}

void SerialLine::write(const QByteArray& bytes)
{
    if (m_master < 0)
        return; // pulled, and not plugged in again
    m_tx.append(bytes);
    flush();
}

void SerialLine::flush()
{
    while (!m_tx.isEmpty()) {
        const ssize_t n = ::write(m_master, m_tx.constData(), size_t(m_tx.size()));
        if (n <= 0)
            break;
        m_tx.remove(0, n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_tx.isEmpty());
}

QnpRouter::QnpRouter(Coupler& coupler, QObject* parent)
    : QObject(parent)
    , m_coupler(coupler)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
}

bool QnpRouter::listen(quint16 port, QString& error)
{
    if (!m_server.listen(QHostAddress::LocalHost, port)) {
        error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(m_server.errorString());
        return false;
    }
    return true;
}

void QnpRouter::accept()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readable(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void QnpRouter::takeInPending()
{
    if (m_server.waitForNewConnection(0))
        accept();
    // Each socket reads what its peer sent, and its readyRead handles it at once.
    for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
        QPointer<QTcpSocket> guard(socket);
        while (guard && guard->state() == QAbstractSocket::ConnectedState && guard->waitForReadyRead(0)) {
        }
    }
}

void QnpRouter::readable(QTcpSocket* socket)
{
    QByteArray rx = socket->property("rx").toByteArray() + socket->readAll();
    const Station& station = m_coupler.station();
    while (!rx.isEmpty()) {
        proto::Envelope envelope;
        const proto::DecodeResult r = proto::decodeEnvelope(rx, envelope);
        if (r.status == proto::Decode::NeedMore)
            break;
        if (r.status != proto::Decode::Frame) {
            m_coupler.trace(QStringLiteral("qnp broken stream"));
            socket->abort();
            return;
        }
        rx.remove(0, r.consumed);
        if (envelope.netId != station.netId || envelope.port != station.qnpPort) {
            m_coupler.traceNoDevice(envelope);
            envelope.status = proto::EnvNoDevice;
            socket->write(proto::encodeEnvelope(envelope));
            continue;
        }
        proto::Frame frame;
        const proto::DecodeResult inner = proto::decodeFrame(envelope.frame, frame);
        if (inner.status != proto::Decode::Frame || (frame.kind & proto::KindReply))
            continue;
        const Outcome out = m_coupler.handle(Transport::Qnp, frame);
        if (out.drop) {
            socket->abort();
            return;
        }
        if (out.frame.isEmpty())
            continue;
        envelope.frame = out.frame;
        QByteArray bytes = proto::encodeEnvelope(envelope);
        if (out.cutStream)
            bytes.truncate(bytes.size() / 2);
        const int delay = m_coupler.delayMs();
        if (delay > 0) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(delay, this, [guard, bytes] {
                if (guard)
                    guard->write(bytes);
            });
        } else {
            socket->write(bytes);
        }
    }
    socket->setProperty("rx", rx);
}
