#include "QnpChannel.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace {

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

} // namespace

QnpChannel::QnpChannel() = default;

QnpChannel::~QnpChannel() { dropConnection(); }

void QnpChannel::routerAddress(QString& host, quint16& port)
{
    host = QStringLiteral("127.0.0.1");
    port = kDefaultRouterPort;
    const QString value = qEnvironmentVariable("TD4700_QNP_ROUTER").trimmed();
    if (value.isEmpty())
        return;
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    QString hostPart = colon < 0 ? value : value.left(colon);
    if (colon >= 0) {
        bool ok = false;
        const uint p = value.mid(colon + 1).toUInt(&ok);
        if (ok && p > 0 && p <= 65535)
            port = quint16(p);
    }
    if (hostPart.startsWith(QLatin1Char('[')) && hostPart.endsWith(QLatin1Char(']')))
        hostPart = hostPart.mid(1, hostPart.size() - 2);
    if (!hostPart.isEmpty())
        host = hostPart;
}

void QnpChannel::dropConnection()
{
    if (m_socket)
        m_socket->abort();
    m_socket.reset();
    m_rx.clear();
}

bool QnpChannel::connectRouter(int timeoutMs)
{
    dropConnection();
    m_socket = std::make_unique<QTcpSocket>();
    m_socket->connectToHost(m_host, m_routerPort);
    if (!m_socket->waitForConnected(std::max(1, timeoutMs))) {
        dropConnection();
        return false;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

QString QnpChannel::PortName() const
{
    QString host;
    quint16 port = 0;
    routerAddress(host, port);
    return QStringLiteral("QNP %1 port %2 (router %3:%4)").arg(m_param.netId).arg(m_param.port).arg(host).arg(port);
}

int32_t QnpChannel::PortOpen()
{
    QString host;
    quint16 port = 0;
    routerAddress(host, port);
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
    if (!m_open)
        return ChNotOpen;
    proto::NetId netId;
    if (!proto::parseNetId(m_param.netId, netId) || m_param.port < 0 || m_param.port > 0xFFFF)
        return ChBadArgument;
    const QDeadlineTimer deadline(clampTimeout(m_param.timeout));
    // The router may have closed an idle link; the port stays open for the caller.
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        if (!connectRouter(remainingMs(deadline)))
            return ChTimeout;
    }

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
        return ChTimeout;
    }
    while (m_socket->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_socket->waitForBytesWritten(remainingMs(deadline))) {
            dropConnection();
            return ChTimeout;
        }
    }

    const uint8_t replyKind = kind | proto::KindReply;
    bool sawGarbage = false;
    bool closed = false;
    for (;;) {
        m_rx += m_socket->readAll();
        while (!m_rx.isEmpty()) {
            proto::Envelope answer;
            const proto::DecodeResult r = proto::decodeEnvelope(m_rx, answer);
            if (r.status == proto::Decode::NeedMore)
                break;
            if (r.status != proto::Decode::Frame) {
                // Envelopes have no resync marks: a broken stream is started afresh.
                dropConnection();
                return ChBadFrame;
            }
            m_rx.remove(0, r.consumed);
            if (answer.netId != netId || answer.port != envelope.port)
                continue;
            proto::Frame frame;
            const proto::DecodeResult inner = proto::decodeFrame(answer.frame, frame);
            const bool whole = inner.status == proto::Decode::Frame && inner.consumed == answer.frame.size();
            if (answer.status == proto::EnvNoDevice) {
                // The router hands back the request it could not deliver.
                if (whole && frame.kind == kind && frame.seq == request.seq)
                    return ChNoDevice;
                continue;
            }
            const bool ours = frame.kind == replyKind && frame.seq == request.seq;
            if (whole && ours) {
                reply = frame.payload;
                return ChOk;
            }
            if (!whole && (ours || inner.status == proto::Decode::NeedMore))
                return ChBadFrame;
            if (!whole)
                sawGarbage = true;
        }
        if (closed || deadline.hasExpired())
            break;
        // The router dropping the link means no answer will come; take what it sent first.
        if (!m_socket->waitForReadyRead(remainingMs(deadline))
            && m_socket->state() != QAbstractSocket::ConnectedState)
            closed = true;
    }
    return (sawGarbage || !m_rx.isEmpty()) ? ChBadFrame : ChTimeout;
}
