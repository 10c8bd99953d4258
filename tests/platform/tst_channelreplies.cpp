// Both channels against a scripted far end (a router socket, a pseudo-terminal)
// that answers the first request with crafted bytes: replies a read must refuse,
// a far end that hangs up, a router name whose lookup never ends, a router flooding
// envelopes that are no reply and one that closes an idle link.
#include "platform/ChannelProtocol.h"
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <thread>

namespace {

enum class Reply { Good, OtherAddress, UndefinedStatus, OversizedClaim, HangUp };

constexpr int kTimeoutMs = 1000;
constexpr int kAtOnceMs = 400; // well within the time-out, on a loaded machine too
constexpr int kCom = 7;
const QString kNetId = QStringLiteral("10.1.2.3.1.1");
constexpr uint16_t kQnpPort = 100;

QByteArray replyFrame(Reply reply, const proto::Frame& request)
{
    proto::Frame f;
    f.kind = request.kind | proto::KindReply;
    f.seq = request.seq;
    f.address = uint8_t(request.address + (reply == Reply::OtherAddress ? 1 : 0));
    f.payload = proto::readReplyPayload(std::vector<uint16_t>{1111, 2222});
    QByteArray bytes = proto::encodeFrame(f);
    if (reply == Reply::OversizedClaim) {
        // A header naming the request that claims 1025 bytes, and the start of a payload.
        bytes[4] = char(0x01);
        bytes[5] = char(0x04);
        bytes.truncate(proto::kHeaderSize + 4);
    }
    return bytes;
}

// The router's answer to the first whole request in rx, which it takes from rx.
bool answerEnvelope(Reply reply, QByteArray& rx, QByteArray& out)
{
    proto::Envelope request;
    const proto::DecodeResult r = proto::decodeEnvelope(rx, request);
    if (r.status != proto::Decode::Frame)
        return false;
    rx.remove(0, r.consumed);
    proto::Frame frame;
    proto::decodeFrame(request.frame, frame);
    if (reply == Reply::HangUp)
        return true;
    proto::Envelope answer = request;
    answer.status = reply == Reply::UndefinedStatus ? 7 : proto::EnvDelivered;
    answer.frame = replyFrame(reply, frame);
    out = proto::encodeEnvelope(answer);
    return true;
}

// A thread that answers the first whole request on its file descriptor and
// then keeps the link open until it is stopped.
class FarEnd {
public:
    ~FarEnd()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        for (const int fd : {m_fd, m_listen, m_keepSlave})
            if (fd >= 0)
                ::close(fd);
    }

    // The router: its address for TD4700_QNP_ROUTER.
    QString listen(Reply reply)
    {
        const QString address = bindRouter();
        if (address.isEmpty())
            return {};
        m_thread = std::thread([this, reply] {
            if (!waitReadable(m_listen))
                return;
            m_fd = ::accept(m_listen, nullptr, nullptr);
            serve([reply](QByteArray& rx, QByteArray& out) { return answerEnvelope(reply, rx, out); });
        });
        return address;
    }

    // A router that never answers, but sends envelopes of every size as fast as the link
    // takes them: for another device, or stale replies for the channel's own target.
    QString listenFlooding(bool ownTarget)
    {
        const QString address = bindRouter();
        if (address.isEmpty())
            return {};
        m_thread = std::thread([this, ownTarget] {
            if (!waitReadable(m_listen))
                return;
            m_fd = ::accept(m_listen, nullptr, nullptr);
            ::fcntl(m_fd, F_SETFL, O_NONBLOCK);
            proto::Envelope flood;
            proto::parseNetId(ownTarget ? kNetId : QStringLiteral("10.9.9.9.1.1"), flood.netId);
            flood.port = kQnpPort;
            // Every size from 1 to 256 registers, many envelopes to a write.
            QByteArray block;
            for (int count = 1; count <= 256; ++count) {
                proto::Frame f;
                f.kind = proto::KindRead | proto::KindReply;
                f.seq = 0xEE; // no call of the test's has it
                f.payload = proto::readReplyPayload(std::vector<uint16_t>(size_t(count), 7));
                flood.frame = proto::encodeFrame(f);
                block += proto::encodeEnvelope(flood);
            }
            QByteArray out;
            while (!m_stop) {
                if (out.isEmpty())
                    out = block;
                char buf[512];
                while (::read(m_fd, buf, sizeof buf) > 0) {
                } // the requests go nowhere
                pollfd p{m_fd, POLLOUT, 0};
                if (::poll(&p, 1, 20) <= 0)
                    continue;
                const ssize_t n = ::write(m_fd, out.constData(), size_t(out.size()));
                if (n > 0)
                    out.remove(0, n);
                else if (n < 0 && errno != EAGAIN)
                    return;
            }
        });
        return address;
    }

    // A router that answers one request, lateMs late, and closes the link while it is idle,
    // then answers every request on the next link.
    QString listenClosingWhenIdle(int lateMs)
    {
        const QString address = bindRouter();
        if (address.isEmpty())
            return {};
        m_thread = std::thread([this, lateMs] {
            for (int link = 0; link < 2 && waitReadable(m_listen); ++link) {
                m_fd = ::accept(m_listen, nullptr, nullptr);
                serve([link, lateMs](QByteArray& rx, QByteArray& out) {
                    if (link == 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
                    return answerEnvelope(Reply::Good, rx, out);
                }, link == 0 ? 1 : INT_MAX);
                if (link == 0) {
                    ::close(m_fd);
                    m_fd = -1;
                    m_closed = true;
                }
            }
        });
        return address;
    }
    bool closed() const { return m_closed; }

    // The serial device: a pseudo-terminal linked as COM<kCom> in portsDir.
    bool plugIn(Reply reply, const QString& portsDir)
    {
        m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0)
            return false;
        const QString slave = QString::fromLocal8Bit(::ptsname(m_fd));
        m_keepSlave = ::open(::ptsname(m_fd), O_RDWR | O_NOCTTY | O_NONBLOCK); // no hang-up before the client opens
        termios tio{};
        if (m_keepSlave < 0 || ::tcgetattr(m_keepSlave, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        ::tcsetattr(m_keepSlave, TCSANOW, &tio);
        if (!QFile::link(slave, QDir(portsDir).filePath(QStringLiteral("COM%1").arg(kCom))))
            return false;
        m_thread = std::thread([this, reply] {
            serve([reply](QByteArray& rx, QByteArray& out) {
                proto::Frame request;
                const proto::DecodeResult r = proto::decodeFrame(rx, request);
                if (r.status != proto::Decode::Frame)
                    return false;
                if (reply != Reply::HangUp)
                    out = replyFrame(reply, request);
                return true;
            });
        });
        return true;
    }

private:
    QString bindRouter()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), size) != 0 || ::listen(m_listen, 4) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &size) != 0)
            return {};
        return QStringLiteral("127.0.0.1:%1").arg(ntohs(addr.sin_port));
    }

    bool waitReadable(int fd)
    {
        pollfd p{fd, POLLIN, 0};
        while (!m_stop) {
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN))
                return true;
        }
        return false;
    }

    // Answers the first `answers` whole requests, then keeps the link open until stopped.
    template <class Answer>
    void serve(Answer answer, int answers = 1)
    {
        QByteArray rx, out;
        while (waitReadable(m_fd)) {
            char buf[512];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                continue;
            rx.append(buf, n);
            while (answers > 0 && answer(rx, out)) {
                --answers;
                if (out.isEmpty()) {
                    hangUp();
                    return;
                }
                (void)!::write(m_fd, out.constData(), size_t(out.size()));
            }
            if (answers == 0 && rx.isEmpty())
                return;
        }
    }

    // The cable pulled, the router gone: nothing answers and nothing can be opened again.
    void hangUp()
    {
        for (int* fd : {&m_fd, &m_listen, &m_keepSlave}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_closed{false};
    std::thread m_thread;
    int m_listen = -1;
    int m_fd = -1;
    int m_keepSlave = -1;
};

std::unique_ptr<IDeviceChannel> networkChannel(const QString& router)
{
    qputenv("TD4700_QNP_ROUTER", router.toLocal8Bit());
    auto channel = std::make_unique<QnpChannel>();
    auto* p = dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj());
    p->SetNetId(kNetId);
    p->SetPort(kQnpPort);
    p->SetTimeout(kTimeoutMs);
    return channel;
}

std::unique_ptr<IDeviceChannel> serialChannel()
{
    auto channel = std::make_unique<SerialChannel>();
    auto* p = dynamic_cast<ISerialChannelParam*>(channel->GetDeviceParamObj());
    p->SetPort(kCom);
    p->SetBaud(19200);
    p->SetTimeout(kTimeoutMs);
    return channel;
}

} // namespace

class tst_ChannelReplies : public QObject {
    Q_OBJECT
    QTemporaryDir m_ports;

private Q_SLOTS:
    void init() { qputenv("TD4700_PORTS_DIR", m_ports.path().toLocal8Bit()); }
    void cleanup() { QFile::remove(QDir(m_ports.path()).filePath(QStringLiteral("COM%1").arg(kCom))); }

    void refusedReplies_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<int>("reply");
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("atOnce"); // else after the time-out
        for (const char* transport : {"serial", "qnp"}) {
            QTest::addRow("%s good reply", transport) << transport << int(Reply::Good) << int(ChOk) << true;
            QTest::addRow("%s another address byte", transport)
                << transport << int(Reply::OtherAddress) << int(ChTimeout) << false;
            QTest::addRow("%s payload claimed past 1024 bytes", transport)
                << transport << int(Reply::OversizedClaim) << int(ChBadFrame) << true;
        }
        QTest::newRow("qnp undefined envelope status") << "qnp" << int(Reply::UndefinedStatus) << int(ChBadFrame) << true;
        // A line that went away is no time-out: the user has to look at the cable, not the Timeout setting.
        QTest::newRow("serial far end hangs up") << "serial" << int(Reply::HangUp) << int(ChLinkLost) << true;
        QTest::newRow("qnp router closes the connection") << "qnp" << int(Reply::HangUp) << int(ChLinkLost) << true;
    }

    void refusedReplies()
    {
        QFETCH(QString, transport);
        QFETCH(int, reply);
        QFETCH(int, result);
        QFETCH(bool, atOnce);
        FarEnd farEnd;
        std::unique_ptr<IDeviceChannel> channel;
        if (transport == QLatin1String("serial")) {
            QVERIFY(farEnd.plugIn(Reply(reply), m_ports.path()));
            channel = serialChannel();
        } else {
            const QString router = farEnd.listen(Reply(reply));
            QVERIFY(!router.isEmpty());
            channel = networkChannel(router);
        }
        QCOMPARE(channel->PortOpen(), int32_t(ChOk));
        std::array<int32_t, 2> buffer{-1, -1};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(channel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(result));
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(buffer, result == ChOk ? (std::array<int32_t, 2>{1111, 2222}) : (std::array<int32_t, 2>{-1, -1}));
        if (atOnce)
            QVERIFY2(elapsed < kAtOnceMs, qPrintable(QString::number(elapsed)));
        else
            QVERIFY2(elapsed >= kTimeoutMs - 20 && elapsed < kTimeoutMs + kAtOnceMs, qPrintable(QString::number(elapsed)));
        if (reply != int(Reply::HangUp))
            return;
        // The next call finds the port gone, or the router refusing: at once, and not a time-out either.
        clock.restart();
        QCOMPARE(channel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChLinkLost));
        QVERIFY2(clock.elapsed() < kAtOnceMs, qPrintable(QString::number(clock.elapsed())));
    }

    void floodOfEnvelopes_data()
    {
        QTest::addColumn<bool>("ownTarget");
        QTest::newRow("for another device") << false;
        QTest::newRow("stale replies for this device") << true;
    }

    // Envelopes that are no reply without end: every call ends at its time-out, and the same way.
    void floodOfEnvelopes()
    {
        QFETCH(bool, ownTarget);
        FarEnd farEnd;
        const QString router = farEnd.listenFlooding(ownTarget);
        QVERIFY(!router.isEmpty());
        auto channel = networkChannel(router);
        constexpr int kTimeout = 300;
        dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj())->SetTimeout(kTimeout);
        QCOMPARE(channel->PortOpen(), int32_t(ChOk));
        for (int call = 0; call < 6; ++call) {
            // Between calls the flood piles up in the socket, as while a view shows what it read.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::array<int32_t, 2> buffer{-1, -1};
            QElapsedTimer clock;
            clock.start();
            const int32_t rc = channel->VbRegSyncReadReq(0, 9, 0, 2, buffer);
            const qint64 elapsed = clock.elapsed();
            QVERIFY2(rc == ChTimeout, qPrintable(QStringLiteral("call %1: code %2").arg(call).arg(rc, 0, 16)));
            QVERIFY2(elapsed >= kTimeout - 20 && elapsed <= kTimeout + 50,
                     qPrintable(QStringLiteral("call %1: %2 ms").arg(call).arg(elapsed)));
            QCOMPARE(buffer, (std::array<int32_t, 2>{-1, -1}));
        }
    }

    void routerClosedTheIdleLink_data()
    {
        QTest::addColumn<int>("lateMs");
        QTest::newRow("after its reply") << 0;
        QTest::newRow("behind a reply that came too late") << kTimeoutMs + 200;
    }

    // The router closed the link while nothing was asked: the next call connects again and gets through.
    void routerClosedTheIdleLink()
    {
        QFETCH(int, lateMs);
        FarEnd farEnd;
        const QString router = farEnd.listenClosingWhenIdle(lateMs);
        QVERIFY(!router.isEmpty());
        auto channel = networkChannel(router);
        QCOMPARE(channel->PortOpen(), int32_t(ChOk));
        std::array<int32_t, 2> buffer{};
        QCOMPARE(channel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(lateMs > kTimeoutMs ? ChTimeout : ChOk));
        // No event loop runs meanwhile, as between the calls of a log-in or a script run.
        for (int waited = 0; !farEnd.closed() && waited < 5000; waited += 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QVERIFY(farEnd.closed());
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the close has reached this end
        buffer = {};
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(channel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChOk));
        QVERIFY2(clock.elapsed() < kAtOnceMs, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(buffer, (std::array<int32_t, 2>{1111, 2222}));
    }

    // A name server that never answers: the open and every call end within their time-out.
    void routerNameLookupWithinTheTimeout()
    {
        FarEnd farEnd;
        const QString router = farEnd.listen(Reply::Good);
        QVERIFY(!router.isEmpty());
        const QString port = router.section(QLatin1Char(':'), 1);
        auto channel = networkChannel(QStringLiteral("router.example:") + port);
        auto* qnp = static_cast<QnpChannel*>(channel.get());
        qnp->setHostLookup([](const QString&) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            return QList<QHostAddress>{QHostAddress::LocalHost};
        });
        dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj())->SetTimeout(300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(channel->PortOpen(), int32_t(ChOpenFailed));
        QCOMPARE(channel->PortOpen(), int32_t(ChOpenFailed)); // the lookup still running is waited for, not started again
        QVERIFY2(clock.elapsed() < 2 * 300 + kAtOnceMs, qPrintable(QString::number(clock.elapsed())));

        // A name that resolves reaches the router behind it.
        qnp->setHostLookup([](const QString&) { return QList<QHostAddress>{QHostAddress::LocalHost}; });
        qputenv("TD4700_QNP_ROUTER", QStringLiteral("router.test:%1").arg(port).toLocal8Bit());
        QCOMPARE(channel->PortOpen(), int32_t(ChOk));
        std::array<int32_t, 2> buffer{};
        QCOMPARE(channel->VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChOk));
    }
};

QTEST_GUILESS_MAIN(tst_ChannelReplies)
#include "tst_channelreplies.moc"
