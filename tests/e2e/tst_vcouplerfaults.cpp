// The virtual coupler's armed faults as the program's channels see them: what
// the hit call returns, that the next call is healthy again (one bad reply costs
// one call), how targets count, resync after line noise, and paced replies.
#include "common/FaultMatrix.h"

#include "platform/ChannelProtocol.h"
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kCom = 4;
constexpr int kTimeout = 200;

std::unique_ptr<IDeviceChannel> openChannel(const QString& transport, const VirtualCoupler& coupler)
{
    std::unique_ptr<IDeviceChannel> channel;
    if (transport == QLatin1String("serial")) {
        auto serial = std::make_unique<SerialChannel>();
        auto* p = dynamic_cast<ISerialChannelParam*>(serial->GetDeviceParamObj());
        p->SetPort(kCom);
        p->SetBaud(115200); // a small line allowance on top of the short time-out
        p->SetTimeout(kTimeout);
        channel = std::move(serial);
    } else {
        qputenv("TD4700_QNP_ROUTER", coupler.routerAddress().toLocal8Bit());
        auto qnp = std::make_unique<QnpChannel>();
        auto* p = dynamic_cast<IQNPDeviceParam*>(qnp->GetDeviceParamObj());
        p->SetNetId(coupler.netId());
        p->SetPort(coupler.qnpPort());
        p->SetTimeout(kTimeout);
        channel = std::move(qnp);
    }
    return channel->PortOpen() == 0 ? std::move(channel) : nullptr;
}

int32_t readList(IDeviceChannel& channel)
{
    std::array<int32_t, 255> buffer{};
    return channel.VbRegSyncReadReq(0, 9, 0, 255, buffer);
}

} // namespace

class tst_VCouplerFaults : public QObject {
    Q_OBJECT
    QTemporaryDir m_ports;

private Q_SLOTS:
    void init() { qputenv("TD4700_PORTS_DIR", m_ports.path().toLocal8Bit()); }

    void faultHitsOneCall_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<int>("fault");
        for (const QString& transport : matrixTransports()) {
            for (size_t f = 0; f < matrixFaults().size(); ++f)
                QTest::addRow("%s %s", qPrintable(transport), matrixFaults()[f].name) << transport << int(f);
        }
    }

    void faultHitsOneCall()
    {
        QFETCH(QString, transport);
        QFETCH(int, fault);
        const MatrixFault& f = matrixFaults()[size_t(fault)];
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn6555-demo.xml"), {"--reboot-ms", "400"}, kCom),
                 qPrintable(coupler.output()));
        std::unique_ptr<IDeviceChannel> channel = openChannel(transport, coupler);
        QVERIFY(channel);
        // The second read of the terminal list is hit; the first and the write are not.
        QVERIFY(coupler.arm(f.spec + QStringLiteral("@read:0/9/0/255#2")));
        QCOMPARE(readList(*channel), 0);
        const std::array<int32_t, 1> word{7};
        QCOMPARE(channel->VbRegSyncWriteReq(3, 1, 5, 1, word), 0);
        QCOMPARE(readList(*channel), transport == QLatin1String("serial") ? f.serialCode : f.qnpCode);
        QVERIFY(coupler.firedAt() > 0);
        // Only a silence or a reboot outlasts the call it hit; clearing ends them.
        QCOMPARE(readList(*channel), f.lasts ? int32_t(ChTimeout) : 0);
        QVERIFY(coupler.clearFaults());
        QCOMPARE(readList(*channel), 0);
    }

    void targets_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("hit"); // the request of the sequence below that is hit, from 0; -1: none
        QTest::newRow("third request") << "req#3" << 2;
        QTest::newRow("any read of table 0 at position 3") << "read:3/0" << 1;
        QTest::newRow("second read of that table") << "read:3/0#2" << 3;
        QTest::newRow("by first register") << "read:3/0/29" << 3;
        QTest::newRow("by count") << "read:3/0/8/2" << 1;
        QTest::newRow("a write") << "write:3/1/5" << 2;
        QTest::newRow("no such request") << "read:4/0" << -1;
    }

    void targets()
    {
        QFETCH(QString, target);
        QFETCH(int, hit);
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn6555-demo.xml"), {}, kCom), qPrintable(coupler.output()));
        std::unique_ptr<IDeviceChannel> channel = openChannel(QStringLiteral("serial"), coupler);
        QVERIFY(channel);
        QVERIFY(coupler.arm(QStringLiteral("error:99@") + target));
        std::array<int32_t, 2> buffer{};
        const std::array<int32_t, 1> word{7};
        const std::function<int32_t()> sequence[] = {
            [&] { return channel->VbRegSyncReadReq(0, 9, 0, 2, buffer); },
            [&] { return channel->VbRegSyncReadReq(3, 0, 8, 2, buffer); },
            [&] { return channel->VbRegSyncWriteReq(3, 1, 5, 1, word); },
            [&] { return channel->VbRegSyncReadReq(3, 0, 29, 2, buffer); },
            [&] { return channel->VbRegSyncReadReq(3, 0, 29, 2, buffer); },
        };
        for (int i = 0; i < 5; ++i)
            QCOMPARE(sequence[i](), i == hit ? 99 : 0);
        QVERIFY(!coupler.arm(QStringLiteral("error@read:3")));
        QVERIFY(!coupler.arm(QStringLiteral("melt@req")));
    }

    void resyncAfterNoise()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn6555-demo.xml"), {}, kCom), qPrintable(coupler.output()));
        const int fd = ::open(QFile::encodeName(coupler.devicePath()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        // A noise header that claims a payload of 1000 bytes, then a real request.
        QByteArray bytes("\xA5\x01\x00\x00\xE8\x03", 6);
        proto::Frame request;
        request.kind = proto::KindRead;
        request.seq = 9;
        request.payload = proto::readRequest(0, 9, 0, 2);
        bytes += proto::encodeFrame(request);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        // The reply comes within one request's time, not after 1000 more bytes.
        QByteArray reply;
        QElapsedTimer timer;
        timer.start();
        proto::Frame frame;
        while (timer.elapsed() < 500) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buf[256];
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n > 0)
                    reply.append(buf, n);
            }
            if (proto::decodeFrame(reply, frame).status == proto::Decode::Frame)
                break;
        }
        ::close(fd);
        QCOMPARE(frame.seq, uint8_t(9));
        QCOMPARE(frame.kind, uint8_t(proto::KindRead | proto::KindReply));
        QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
    }

    void pacedReplies()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn6555-demo.xml"), {"--baud", "19200"}, kCom),
                 qPrintable(coupler.output()));
        auto channel = openChannel(QStringLiteral("serial"), coupler);
        QVERIFY(channel);
        dynamic_cast<ISerialChannelParam*>(channel->GetDeviceParamObj())->SetTimeout(1000);
        // 14 bytes of request and 520 of reply take 278 ms at 10 bits a byte (the coupler's
        // timer may be a few per cent early).
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(readList(*channel), 0);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= 260 && elapsed < 400, qPrintable(QString::number(elapsed)));
    }
};

QTEST_MAIN(tst_VCouplerFaults)
#include "tst_vcouplerfaults.moc"
