// Where the channels go: COM numbers through the link folder, the router address.
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class tst_ChannelSetup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void comLinks()
    {
        QTemporaryDir dir;
        qputenv("TD4700_PORTS_DIR", dir.path().toLocal8Bit());
        QCOMPARE(SerialChannel::portsFolder(), dir.path());
        QVERIFY(QFile::link(QStringLiteral("/dev/pts/77"), dir.filePath(QStringLiteral("COM3"))));
        QFile file(dir.filePath(QStringLiteral("COM4")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("  /dev/ttyUSB0 \nsecond line ignored\n");
        file.close();
        QFile empty(dir.filePath(QStringLiteral("COM5")));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        empty.close();

        QCOMPARE(SerialChannel::devicePathForCom(3), QStringLiteral("/dev/pts/77")); // link kept even if dangling
        QCOMPARE(SerialChannel::devicePathForCom(4), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(SerialChannel::devicePathForCom(5), QStringLiteral("/dev/ttyS4"));   // an empty file names nothing
        QCOMPARE(SerialChannel::devicePathForCom(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(SerialChannel::devicePathForCom(64), QStringLiteral("/dev/ttyS63"));
        QCOMPARE(SerialChannel::devicePathForCom(0), QString());
        QCOMPARE(SerialChannel::devicePathForCom(-2), QString());
    }

    void defaultPortsFolder()
    {
        qunsetenv("TD4700_PORTS_DIR");
        QVERIFY(SerialChannel::portsFolder().endsWith(QStringLiteral("/td4700/ports")));
    }

    void routerAddress_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        const int defaultPort = QnpChannel::kDefaultRouterPort;
        QTest::newRow("unset") << QString() << "127.0.0.1" << defaultPort;
        QTest::newRow("host and port") << "127.0.0.2:4000" << "127.0.0.2" << 4000;
        QTest::newRow("host only") << "localhost" << "localhost" << defaultPort;
        QTest::newRow("port 65535") << "127.0.0.1:65535" << "127.0.0.1" << 65535;
        QTest::newRow("port only") << ":4001" << "127.0.0.1" << 4001;
        QTest::newRow("IPv6 in brackets") << "[::1]:5000" << "::1" << 5000;
        QTest::newRow("IPv6 in brackets, no port") << "[::1]" << "::1" << defaultPort;
        // A port the user wrote but the router cannot have is no reason to reach another router.
        QTest::newRow("port no number") << "127.0.0.1:x" << "" << 0;
        QTest::newRow("port 0") << "127.0.0.1:0" << "" << 0;
        QTest::newRow("port 70000") << "127.0.0.1:70000" << "" << 0;
        QTest::newRow("port missing after the colon") << "127.0.0.1:" << "" << 0;
        QTest::newRow("bracket not closed") << "[::1:5000" << "" << 0;
    }

    void routerAddress()
    {
        QFETCH(QString, value);
        QFETCH(QString, host);
        QFETCH(int, port);
        if (value.isNull())
            qunsetenv("TD4700_QNP_ROUTER");
        else
            qputenv("TD4700_QNP_ROUTER", value.toLocal8Bit());
        QString h;
        quint16 p = 0;
        QCOMPARE(QnpChannel::routerAddress(h, p), !host.isEmpty());
        if (host.isEmpty()) {
            // The channel does not open, and its name for the log says why.
            QnpChannel qnp;
            QCOMPARE(qnp.PortOpen(), int32_t(ChOpenFailed));
            QVERIFY2(qnp.PortName().contains(QStringLiteral("\"%1\"").arg(value)), qPrintable(qnp.PortName()));
            return;
        }
        QCOMPARE(h, host);
        QCOMPARE(int(p), port);
    }

    void closedChannelsRefuseCalls()
    {
        SerialChannel serial;
        QnpChannel qnp;
        std::array<int32_t, 3> buffer{};
        QCOMPARE(serial.VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChNotOpen));
        QCOMPARE(qnp.VbRegSyncReadReq(0, 9, 0, 2, buffer), int32_t(ChNotOpen));
        QCOMPARE(serial.VbRegSyncReadReq(0, 9, 0, 4, buffer), int32_t(ChBadArgument)); // checked before the port
        QVERIFY(dynamic_cast<ISerialChannelParam*>(serial.GetDeviceParamObj()));
        QVERIFY(dynamic_cast<IQNPDeviceParam*>(qnp.GetDeviceParamObj()));
    }

    void openFailures()
    {
        QTemporaryDir dir;
        qputenv("TD4700_PORTS_DIR", dir.path().toLocal8Bit());
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("COM2"))));
        SerialChannel serial;
        auto* sp = dynamic_cast<ISerialChannelParam*>(serial.GetDeviceParamObj());
        sp->SetPort(2);
        QCOMPARE(serial.PortOpen(), int32_t(ChOpenFailed));
        sp->SetPort(0);
        QCOMPARE(serial.PortOpen(), int32_t(ChOpenFailed));

        // A router port nobody listens on.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        qputenv("TD4700_QNP_ROUTER", QStringLiteral("127.0.0.1:%1").arg(port).toLocal8Bit());
        QnpChannel qnp;
        dynamic_cast<IQNPDeviceParam*>(qnp.GetDeviceParamObj())->SetTimeout(300);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(qnp.PortOpen(), int32_t(ChOpenFailed));
        QVERIFY(timer.elapsed() < 1000);
    }
};

QTEST_GUILESS_MAIN(tst_ChannelSetup)
#include "tst_channelsetup.moc"
