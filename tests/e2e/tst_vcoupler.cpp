// The virtual coupler itself: station files, the shipped stations, its
// COM link and its clean end.
#include "common/VirtualCoupler.h"
#include "platform/SerialChannel.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

constexpr int kCom = 3;

std::unique_ptr<SerialChannel> openSerial(int timeout = 500)
{
    auto ch = std::make_unique<SerialChannel>();
    auto* p = dynamic_cast<ISerialChannelParam*>(ch->GetDeviceParamObj());
    p->SetBaud(19200);
    p->SetPort(kCom);
    p->SetTimeout(timeout);
    if (ch->PortOpen() != 0)
        return nullptr;
    return ch;
}

} // namespace

class tst_VCoupler : public QObject {
    Q_OBJECT
    QTemporaryDir m_ports;

private Q_SLOTS:
    void init() { qputenv("TD4700_PORTS_DIR", m_ports.path().toLocal8Bit()); }

    void badStationFiles_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("reason");
        const QByteArray head = "<VirtualStation><Coupler>";
        const QByteArray tail = "</Coupler></VirtualStation>";
        QTest::newRow("not XML") << QByteArray("<VirtualStation>") << "";
        QTest::newRow("no coupler") << QByteArray("<VirtualStation/>") << "no VirtualStation/Coupler";
        QTest::newRow("table without length") << head + "<Table number=\"0\"/>" + tail << "needs number and length";
        QTest::newRow("length 0") << head + "<Table number=\"0\" length=\"0\"/>" + tail << "table 0 has length 0";
        QTest::newRow("table 256") << head + "<Table number=\"256\" length=\"4\"/>" + tail << "bad number";
        QTest::newRow("value above 65535")
            << head + "<Table number=\"0\" length=\"4\"><Regs at=\"0\">1 65536</Regs></Table>" + tail
            << "bad or surplus register value \"65536\"";
        QTest::newRow("values past the table")
            << head + "<Table number=\"0\" length=\"2\"><Regs at=\"1\">1 2</Regs></Table>" + tail
            << "bad or surplus register value \"2\"";
        QTest::newRow("start past the table")
            << head + "<Table number=\"0\" length=\"2\"><Regs at=\"2\">1</Regs></Table>" + tail << "bad at";
        QTest::newRow("reboot of 2000 ms") << QByteArray("<VirtualStation><Coupler rebootMs=\"2000\"/></VirtualStation>")
                                           << "bad rebootMs";
        QTest::newRow("net id of five numbers")
            << QByteArray("<VirtualStation><Coupler netId=\"1.2.3.4.5\"/></VirtualStation>") << "bad netId";
        QTest::newRow("terminal at position 0")
            << QByteArray("<VirtualStation><Coupler/><Terminal pos=\"0\"/></VirtualStation>") << "needs pos 1..255";
    }

    void badStationFiles()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("station.xml")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(xml);
        file.close();
        QProcess process;
        process.start(QStringLiteral(TD4700_VCOUPLER_PATH), {file.fileName(), QStringLiteral("--qnp-listen"), QStringLiteral("0")});
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 2);
        QCOMPARE(process.readAllStandardOutput(), QByteArray()); // never "ready"
        const QString err = QString::fromLocal8Bit(process.readAllStandardError());
        QVERIFY2(err.startsWith(QLatin1String("td4700-vcoupler: ")) && err.contains(reason), qPrintable(err));
        QCOMPARE(err.count(QLatin1Char('\n')), 1);
    }

    void fullStation()
    {
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("full254.xml"), {}, kCom), qPrintable(coupler.output()));
        auto ch = openSerial();
        QVERIFY(ch);
        std::vector<int32_t> regs(256, -1);
        QCOMPARE(ch->VbRegSyncReadReq(0, 9, 0, 256, regs), int32_t(ChOk));
        QCOMPARE(regs[0], 6555);
        for (int p = 1; p <= 254; ++p) {
            const int32_t expected = p % 3 == 0 ? 6853 : (p % 3 == 1 ? 0x8401 : 0x8202);
            QCOMPARE(regs[size_t(p)], expected);
        }
        QCOMPARE(regs[255], 0);
        QCOMPARE(ch->VbRegSyncReadReq(254, 0, 8, 2, regs), int32_t(ChOk));
        QCOMPARE(regs[0], 0x8202);
        QCOMPARE(ch->VbRegSyncReadReq(255, 0, 8, 1, regs), int32_t(ChNoSuchTable));
        QCOMPARE(ch->VbRegSyncReadReq(252, 0, 11, 1, regs), int32_t(ChOk));
        QCOMPARE(regs[0], 0x0200);
        QCOMPARE(ch->VbRegSyncReadReq(252, 1, 0, 64, regs), int32_t(ChOk));
        QCOMPARE(ch->VbRegSyncReadReq(252, 2, 0, 1, regs), int32_t(ChNoSuchTable));
    }

    void lengthDirectory_data()
    {
        QTest::addColumn<QString>("station");
        QTest::addColumn<QList<int>>("tables");
        QTest::newRow("VN4555") << "vn4555.xml" << QList<int>{0, 1, 9, 90, 100, 127};
        QTest::newRow("VN3555") << "vn3555-old.xml" << QList<int>{0, 9, 90, 127};
        QTest::newRow("no directory") << "vn4555-nodir.xml" << QList<int>{};
    }

    void lengthDirectory()
    {
        QFETCH(QString, station);
        QFETCH(QList<int>, tables);
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(station, {}, kCom), qPrintable(coupler.output()));
        auto ch = openSerial();
        QVERIFY(ch);
        std::vector<int32_t> dir(128, -1);
        const int32_t rc = ch->VbRegSyncReadReq(0, 127, 0, 128, dir);
        if (tables.isEmpty()) {
            QCOMPARE(rc, int32_t(ChNoSuchTable));
            return;
        }
        QCOMPARE(rc, int32_t(ChOk));
        QList<int> listed;
        for (int n = 0; n < 128; ++n) {
            if (dir[size_t(n)] >= 1 && dir[size_t(n)] != 65535)
                listed << n;
        }
        QCOMPARE(listed, tables);
        QCOMPARE(dir[127], 128);
        std::vector<int32_t> regs(256);
        for (int n : tables) {
            const int length = dir[size_t(n)];
            QCOMPARE(ch->VbRegSyncReadReq(0, n, length - 1, 1, regs), int32_t(ChOk));
            QCOMPARE(ch->VbRegSyncReadReq(0, n, length, 1, regs), int32_t(ChRange));
        }
        QCOMPARE(ch->VbRegSyncWriteReq(0, 127, 0, 1, std::vector<int32_t>{5}), int32_t(ChWriteProtected));
    }

    void linkAndCleanEnd()
    {
        QProcess process;
        const QString station = VirtualCoupler::stationPath(QStringLiteral("vn4555.xml"));
        process.start(QStringLiteral(TD4700_VCOUPLER_PATH),
                      {station, QStringLiteral("--com"), QString::number(kCom), QStringLiteral("--qnp-listen"), QStringLiteral("0")});
        QString out;
        while (!out.contains(QLatin1String("ready\n")) && process.waitForReadyRead(5000))
            out += QString::fromLocal8Bit(process.readAllStandardOutput());
        const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QString link = m_ports.filePath(QStringLiteral("COM3"));
        const QStringList serial = lines[0].split(QLatin1Char(' '));
        QCOMPARE(serial.value(0), QStringLiteral("serial"));
        QVERIFY(serial.value(1).startsWith(QLatin1String("/dev/pts/")));
        QCOMPARE(serial.value(2), link);
        QCOMPARE(QFileInfo(link).symLinkTarget(), serial.value(1));
        QCOMPARE(SerialChannel::devicePathForCom(kCom), serial.value(1));
        QVERIFY(QRegularExpression(QStringLiteral("^qnp 127\\.0\\.0\\.1:\\d+ 169\\.12\\.1\\.106\\.1\\.1 100$")).match(lines[1]).hasMatch());

        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(tst_VCoupler)
#include "tst_vcoupler.moc"
