// A firmware update over a serial line the virtual coupler paces to a real
// baud rate: every 512-byte block crosses a 9600-baud line in longer than the
// default time-out, and the update must still go through.
#include "common/HexImage.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "platform/FirmwareServer.h"
#include "platform/SerialChannel.h"

#include <QFile>
#include <QtTest>

class tst_FirmwareBaud : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void updateOverAPacedLine_data()
    {
        QTest::addColumn<int>("baud");
        QTest::newRow("9600") << 9600;
        QTest::newRow("19200") << 19200;
        QTest::newRow("115200") << 115200;
    }
    void updateOverAPacedLine()
    {
        QFETCH(int, baud);
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {"--baud", QString::number(baud)}),
                 qPrintable(coupler.output()));
        SerialChannel channel;
        dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj())->SetBaud(baud);
        QVERIFY(coupler.openSerial(channel, 500)); // the program's default time-out

        constexpr int kImage = 64 * 1024;
        const QString path = env.tempPath() + QStringLiteral("/fw.hex");
        QFile file(path);
        const QByteArray text = hexImage(kImage, 45825);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();

        FirmwareServer server;
        int32_t sent = 0;
        connect(&server, &FirmwareServer::downloadState, this, [&](int32_t current, int32_t) { sent = current; });
        QCOMPARE(server.UpdateFirmware(&channel, path, 0, 0, true, 0), 0);
        QCOMPARE(sent, kImage);
        std::array<int32_t, 1> word{};
        QCOMPARE(channel.VbRegSyncReadReq(0, 0, 255, 1, word), 0);
        QCOMPARE(word[0], 45825);
    }
};

QTEST_GUILESS_MAIN(tst_FirmwareBaud)
#include "tst_firmwarebaud.moc"
