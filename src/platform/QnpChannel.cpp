#include "QnpChannel.h"

#include "LocaleInfo.h"
#include "LogBox.h"

#include <QDeadlineTimer>
#include <QHostInfo>
#include <QTcpSocket>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/socket.h>

namespace {

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

QString routerSetting() { return qEnvironmentVariable("TD4700_QNP_ROUTER").trimmed(); }

std::optional<quint16> routerPort(const QString& text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

QList<QHostAddress> systemLookup(const QString& host) { return QHostInfo::fromName(host).addresses(); }

// A call takes at most this much from the router at a time: a router that sends without
// end gives each call bounded work between two looks at its deadline. Many envelopes fit.
constexpr qint64 kReadBufferBytes = 16 * 1024;

// Before a request goes out, at most this many reads of what came since the last call.
constexpr int kStaleReads = 4;

// Whether the start of an envelope still waiting for its bytes is the call's reply, cut
// off: its target and, past the frame length, its frame's sync mark and sequence number,
// as far as they came. While other envelopes came in the call, all of them must have
// come, so a stream of stale or foreign envelopes ends each call the same way.
bool cutReply(QByteArrayView partial, const proto::NetId& netId, uint16_t port, uint8_t seq, bool othersCame)
{
    constexpr qsizetype kSyncAt = proto::kEnvelopeHeader, kSeqAt = kSyncAt + 2;
    if (partial.isEmpty() || (othersCame && partial.size() <= kSeqAt))
        return false;
    QByteArray known(kSeqAt + 1, '\0');
    for (size_t i = 0; i < netId.size(); ++i)
        known[2 + qsizetype(i)] = char(netId[i]);
    known[8] = char(port & 0xFF);
    known[9] = char(port >> 8);
    known[kSyncAt] = char(proto::kSync);
    known[kSeqAt] = char(seq);
    for (qsizetype i = 0; i < std::min(partial.size(), known.size()); ++i) {
        const bool compared = (i >= 2 && i < 10) || i == kSyncAt || i == kSeqAt;
        if (compared && partial[i] != known[i])
            return false;
    }
    return true;
}

// The router closed or reset an idle link: seen only when its socket is read.
bool closedByPeer(const QTcpSocket& socket)
{
    char byte = 0;
    const ssize_t n = ::recv(int(socket.socketDescriptor()), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

} // namespace

// One host-name lookup on its own thread; the thread may outlive the channel.
struct QnpChannel::Lookup {
    QString host;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    QList<QHostAddress> addresses;
};

QnpChannel::QnpChannel()
    : m_lookup(systemLookup)
{
}

QnpChannel::~QnpChannel() { dropConnection(); }

bool QnpChannel::routerAddress(QString& host, quint16& port)
{
    host = QStringLiteral("127.0.0.1");
    port = kDefaultRouterPort;
    const QString value = routerSetting();
    if (value.isEmpty())
        return true;
    QString hostPart = value;
    QString portPart;
    bool hasPort = false;
    if (value.startsWith(QLatin1Char('['))) {
        const qsizetype close = value.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        hostPart = value.mid(1, close - 1);
        const QString rest = value.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':')))
                return false;
            hasPort = true;
            portPart = rest.mid(1);
        }
    } else if (const qsizetype colon = value.lastIndexOf(QLatin1Char(':')); colon >= 0) {
        hostPart = value.left(colon);
        hasPort = true;
        portPart = value.mid(colon + 1);
    }
    if (hasPort) {
        const std::optional<quint16> p = routerPort(portPart);
        if (!p)
            return false;
        port = *p;
    }
    if (!hostPart.isEmpty())
        host = hostPart;
    return true;
}

void QnpChannel::dropConnection()
{
    if (m_socket)
        m_socket->abort();
    m_socket.reset();
    m_rx.clear();
}

QList<QHostAddress> QnpChannel::resolveRouter(int timeoutMs)
{
    if (QHostAddress literal; literal.setAddress(m_host))
        return {literal};
    // The system resolver knows no time-out of ours: a name server that never answers
    // would hold the call for many seconds. The lookup runs aside, and the call stops
    // waiting for it at its deadline; a later call takes up a lookup still running.
    if (!m_pendingLookup || m_pendingLookup->host != m_host) {
        auto lookup = std::make_shared<Lookup>();
        lookup->host = m_host;
        std::thread([lookup, resolve = m_lookup] {
            QList<QHostAddress> addresses = resolve(lookup->host);
            const std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->addresses = std::move(addresses);
            lookup->done = true;
            lookup->finished.notify_all();
        }).detach();
        m_pendingLookup = std::move(lookup);
    }
    const std::shared_ptr<Lookup> lookup = m_pendingLookup;
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return lookup->done; }))
        return {};
    m_pendingLookup.reset(); // the next connect looks the name up afresh
    return lookup->addresses;
}

bool QnpChannel::connectRouter(int timeoutMs)
{
    dropConnection();
    const QDeadlineTimer deadline(std::max(1, timeoutMs));
    for (const QHostAddress& address : resolveRouter(remainingMs(deadline))) {
        if (deadline.hasExpired())
            break;
        m_socket = std::make_unique<QTcpSocket>();
        m_socket->setReadBufferSize(kReadBufferBytes);
        m_socket->connectToHost(address, m_routerPort);
        if (m_socket->waitForConnected(std::max(1, remainingMs(deadline)))) {
            m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            return true;
        }
        dropConnection();
    }
    return false;
}

QString QnpChannel::PortName() const
{
    QString host;
    quint16 port = 0;
    const QString target = QStringLiteral("QNP %1 port %2").arg(m_param.netId).arg(m_param.port);
    if (!routerAddress(host, port)) {
        const QString reason = localeIsEnglish()
            ? QStringLiteral("router address \"%1\" of TD4700_QNP_ROUTER is not host:port with a port 1..65535")
            : QStringLiteral("Router-Adresse \"%1\" in TD4700_QNP_ROUTER ist nicht Host:Port mit einem Port 1..65535");
        return target + QStringLiteral(" (") + reason.arg(quotableText(routerSetting())) + QLatin1Char(')');
    }
    return target + QStringLiteral(" (router %1:%2)").arg(host).arg(port);
}

int32_t QnpChannel::PortOpen()
{
    QString host;
    quint16 port = 0;
    if (!routerAddress(host, port)) {
        PortClose();
        return ChOpenFailed;
    }
    if (m_open && m_socket && m_socket->state() == QAbstractSocket::ConnectedState && host == m_host
        && port == m_routerPort)
        return ChOk;
    m_host = host;
    m_routerPort = port;
    m_open = connectRouter(clampTimeout(m_param.timeout));
    return m_open ? ChOk : ChOpenFailed;
}

int32_t QnpChannel::PortClose()
{
    m_open = false;
    dropConnection();
    return ChOk;
}

int32_t QnpChannel::transact(uint8_t kind, const QByteArray& payload, QByteArray& reply)
{
    const int32_t rc = exchange(kind, payload, reply);
    if (rc != ChOk && m_socket) {
        // Bytes of a bad or late reply would be taken as the start of the next one: drop
        // them with the link, so one bad reply costs one call. The next call reconnects.
        m_rx += m_socket->readAll();
        if (!m_rx.isEmpty())
            dropConnection();
    }
    return rc;
}

bool QnpChannel::linkStillUp(const QDeadlineTimer& deadline)
{
    if (!m_socket)
        return false;
    // What came since the last call answers earlier requests or other devices: whole
    // envelopes of it are dropped, so that a close behind a late reply is seen now.
    for (int read = 0; read < kStaleReads && !deadline.hasExpired(); ++read) {
        const bool came = m_socket->state() == QAbstractSocket::ConnectedState && m_socket->waitForReadyRead(0);
        m_rx += m_socket->readAll(); // at most the socket's read buffer
        qsizetype at = 0;
        for (;;) {
            proto::Envelope stale;
            const proto::DecodeResult r = proto::decodeEnvelope(QByteArrayView(m_rx).sliced(at), stale);
            if (r.status == proto::Decode::NeedMore)
                break;
            if (r.status != proto::Decode::Frame)
                return false; // a broken stream is started afresh
            at += r.consumed;
        }
        m_rx.remove(0, at);
        if (!came)
            break;
    }
    return m_socket->state() == QAbstractSocket::ConnectedState && !closedByPeer(*m_socket);
}

int32_t QnpChannel::exchange(uint8_t kind, const QByteArray& payload, QByteArray& reply)
{
    if (!m_open)
        return ChNotOpen;
    proto::NetId netId;
    if (!proto::parseNetId(m_param.netId, netId) || m_param.port < 0 || m_param.port > 0xFFFF)
        return ChBadArgument;
    const QDeadlineTimer deadline(clampTimeout(m_param.timeout));
    // The router may have closed an idle link; the port stays open for the caller.
    // A router that refused is gone; only one that never answered is a time-out.
    if (!linkStillUp(deadline) && !connectRouter(remainingMs(deadline)))
        return deadline.hasExpired() ? ChTimeout : ChLinkLost;

    proto::Frame request;
    request.kind = kind;
    request.seq = ++m_seq;
    request.payload = payload;
    proto::Envelope envelope;
    envelope.netId = netId;
    envelope.port = uint16_t(m_param.port);
    envelope.frame = proto::encodeFrame(request);
    const QByteArray bytes = proto::encodeEnvelope(envelope);
    if (m_socket->write(bytes) != bytes.size()) {
        dropConnection();
        return ChLinkLost;
    }
    // The socket's reads and writes happen in its wait calls only; past the deadline each is
    // still made once, so a process that waited for the processor does not miss what is there.
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(remainingMs(deadline))) {
            const bool closed = m_socket->state() != QAbstractSocket::ConnectedState;
            dropConnection();
            return closed ? ChLinkLost : ChTimeout;
        }
    }

    const uint8_t replyKind = kind | proto::KindReply;
    bool sawGarbage = false;
    bool othersCame = false;
    bool closed = false;
    for (bool last = false;;) {
        m_rx += m_socket->readAll(); // at most the socket's read buffer
        qsizetype at = 0;
        std::optional<int32_t> result;
        // Envelopes for other devices may come without end: the deadline is looked at between
        // them, except in the last round, which takes what came in time.
        while (!result && at < m_rx.size() && (last || !deadline.hasExpired())) {
            proto::Envelope answer;
            const proto::DecodeResult r = proto::decodeEnvelope(QByteArrayView(m_rx).sliced(at), answer);
            if (r.status == proto::Decode::NeedMore)
                break;
            if (r.status != proto::Decode::Frame) {
                // Envelopes have no resync marks: a broken stream is started afresh.
                dropConnection();
                return ChBadFrame;
            }
            at += r.consumed;
            othersCame = true; // unless it is the reply, which ends the call
            if (answer.netId != netId || answer.port != envelope.port)
                continue;
            proto::Frame frame;
            const proto::DecodeResult inner = proto::decodeFrame(answer.frame, frame);
            const bool whole = inner.status == proto::Decode::Frame && inner.consumed == answer.frame.size();
            if (answer.status == proto::EnvNoDevice) {
                // The router hands back the request it could not deliver.
                if (whole && frame.kind == kind && frame.seq == request.seq)
                    result = ChNoDevice;
                continue;
            }
            // The address byte is checked as on the serial line: another one is not our reply.
            const bool ours = frame.kind == replyKind && frame.seq == request.seq && frame.address == request.address;
            // No router sends another status; what it carries is not to be trusted.
            const bool delivered = answer.status == proto::EnvDelivered;
            if (whole && ours && delivered) {
                reply = frame.payload;
                result = ChOk;
            } else if ((ours && !delivered) || (!whole && (ours || inner.status == proto::Decode::NeedMore))) {
                result = ChBadFrame;
            } else if (!whole || !delivered) {
                sawGarbage = true;
            }
        }
        m_rx.remove(0, at);
        if (result)
            return *result;
        if (closed || last)
            break;
        last = deadline.hasExpired();
        // The router dropping the link means no answer will come; take what it sent first.
        if (!m_socket->waitForReadyRead(remainingMs(deadline))
            && m_socket->state() != QAbstractSocket::ConnectedState)
            closed = true;
    }
    if (closed)
        return ChLinkLost; // no answer can come over a link the router closed
    return (sawGarbage || cutReply(m_rx, netId, envelope.port, request.seq, othersCame)) ? ChBadFrame : ChTimeout;
}
