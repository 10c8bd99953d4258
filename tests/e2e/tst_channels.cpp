// The serial and QNP channels and the device service against the virtual
// coupler, over the pseudo-terminal and loopback TCP.
#include "common/VirtualCoupler.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {

constexpr int kCom = 7;

struct Line {
    QTemporaryDir ports;
    VirtualCoupler coupler;
    std::unique_ptr<IDeviceChannel> channel;
    DeviceService service;

    bool start(const QString& transport, const QStringList& options = {}, int timeout = 500,
               const QString& station = QStringLiteral("vn6555-demo.xml"))
    {
        qputenv("TD4700_PORTS_DIR", ports.path().toLocal8Bit());
        if (!coupler.start(station, options, kCom))
            return false;
        if (transport == QLatin1String("serial")) {
            auto ch = std::make_unique<SerialChannel>();
            auto* p = dynamic_cast<ISerialChannelParam*>(ch->GetDeviceParamObj());
            p->SetBaud(19200);
            p->SetPort(kCom);
            p->SetTimeout(timeout);
            p->SetOptions(48847);
            p->SetMultiPoint(0);
            channel = std::move(ch);
        } else {
            qputenv("TD4700_QNP_ROUTER", coupler.routerAddress().toLocal8Bit());
            auto ch = std::make_unique<QnpChannel>();
            auto* p = dynamic_cast<IQNPDeviceParam*>(ch->GetDeviceParamObj());
            p->SetNetId(coupler.netId());
            p->SetPort(coupler.qnpPort());
            p->SetTimeout(timeout);
            channel = std::move(ch);
        }
        return channel->PortOpen() == 0;
    }

    void setTimeout(int ms)
    {
        if (auto* p = dynamic_cast<ISerialChannelParam*>(channel->GetDeviceParamObj()))
            p->SetTimeout(ms);
        else
            dynamic_cast<IQNPDeviceParam*>(channel->GetDeviceParamObj())->SetTimeout(ms);
    }

    int32_t read(int pos, int table, int first, std::vector<int32_t>& out, int count)
    {
        out.assign(size_t(count), -1);
        return channel->VbRegSyncReadReq(pos, table, first, count, out);
    }

    int32_t write(int pos, int table, int first, std::vector<int32_t> values)
    {
        return channel->VbRegSyncWriteReq(pos, table, first, int32_t(values.size()), values);
    }
};

void transports()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("serial") << QStringLiteral("serial");
    QTest::newRow("qnp") << QStringLiteral("qnp");
}

} // namespace

class tst_Channels : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readAndWrite_data() { transports(); }
    void readAndWrite()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport), qPrintable(line.coupler.output()));

        std::array<int32_t, 3> probe{-1, -1, -1};
        QCOMPARE(line.channel->VbRegSyncReadReq(0, 9, 0, 2, probe), int32_t(ChOk));
        QCOMPARE(probe, (std::array<int32_t, 3>{6555, 33793, -1}));

        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 127, 0, regs, 128), int32_t(ChOk));
        QCOMPARE(regs[0], 256);
        QCOMPARE(regs[1], 16);
        QCOMPARE(regs[2], 0);
        QCOMPARE(regs[9], 256);
        QCOMPARE(regs[90], 65);
        QCOMPARE(regs[98], 4);
        QCOMPARE(regs[117], 256);
        QCOMPARE(regs[127], 128);

        QCOMPARE(line.read(0, 0, 0, regs, 256), int32_t(ChOk));
        QCOMPARE(regs[246], 1);
        QCOMPARE(regs[248], 48847);
        QCOMPARE(line.read(0, 9, 0, regs, 255), int32_t(ChOk));
        QCOMPARE(regs[5], 34819);
        QCOMPARE(regs[6], 0);
        QCOMPARE(line.read(3, 0, 11, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 0x0400);

        QCOMPARE(line.read(0, 0, 200, regs, 57), int32_t(ChRange));
        QVERIFY(std::all_of(regs.begin(), regs.end(), [](int32_t v) { return v == -1; }));
        QCOMPARE(line.read(0, 50, 0, regs, 1), int32_t(ChNoSuchTable));
        QCOMPARE(line.read(9, 0, 0, regs, 1), int32_t(ChNoSuchTable));

        QCOMPARE(line.write(0, 110, 5, {1, 0x1234, 65535}), int32_t(ChOk));
        QCOMPARE(line.read(0, 110, 4, regs, 5), int32_t(ChOk));
        QCOMPARE(regs, (std::vector<int32_t>{0, 1, 0x1234, 65535, 0}));
        QCOMPARE(line.write(3, 2, 31, {0x5E3B}), int32_t(ChOk)); // the codeword unlocks registers 32..63
        QCOMPARE(line.write(3, 2, 63, {77}), int32_t(ChOk));
        QCOMPARE(line.read(3, 2, 63, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 77);
        QCOMPARE(line.write(3, 2, 64, {1}), int32_t(ChRange));

        // Process inputs change while the coupler runs.
        QCOMPARE(line.read(0, 114, 0, regs, 2), int32_t(ChOk));
        const int32_t before = regs[0];
        QTest::qSleep(250);
        QCOMPARE(line.read(0, 114, 0, regs, 2), int32_t(ChOk));
        QVERIFY(regs[0] != before);

        const QStringList requests = line.coupler.requests();
        QCOMPARE(requests.first(), QStringLiteral("read 0 9 0 2 = 0"));
        QVERIFY(requests.contains(QStringLiteral("write 0 110 5 3 = 0")));
        QVERIFY(requests.contains(QStringLiteral("read 0 0 200 57 = %1").arg(int(ChRange))));
    }

    // A value no register holds is refused by the channel itself, alone or inside a block,
    // and nothing of that write reaches the coupler.
    void refusesWhatNoRegisterHolds_data() { transports(); }
    void refusesWhatNoRegisterHolds()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport), qPrintable(line.coupler.output()));
        QCOMPARE(line.write(0, 110, 4, {11, 12}), int32_t(ChOk));
        const qsizetype sent = line.coupler.requests().size();
        for (const int32_t value : {70000, -1, 65536}) {
            QCOMPARE(line.write(0, 110, 4, {value}), int32_t(ChNotAWord));
            QCOMPARE(line.write(0, 110, 4, {13, value}), int32_t(ChNotAWord));
        }
        QCOMPARE(line.coupler.requests().size(), sent);
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 110, 4, regs, 2), int32_t(ChOk));
        QCOMPARE(regs, (std::vector<int32_t>{11, 12}));
        QCOMPARE(channelResultText(ChNotAWord, false), QStringLiteral("Wert außerhalb 0..65535, nicht gesendet"));
    }

    void writeProtection_data() { transports(); }
    void writeProtection()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;

        QCOMPARE(line.write(0, 0, 5, {0x55}), int32_t(ChWriteProtected));
        QCOMPARE(line.write(0, 0, 12, {0}), int32_t(ChOk)); // only the common settings 0-11 are guarded
        QCOMPARE(line.write(0, 1, 0, {1}), int32_t(ChOk));  // table 1 only on a bus controller
        QCOMPARE(line.write(0, 110, 0, {1}), int32_t(ChOk)); // outputs are never guarded
        int32_t result = -1;
        line.service.AbolishProtection(line.channel.get(), false, result);
        QCOMPARE(result, int32_t(ChOk));
        QCOMPARE(line.write(0, 0, 5, {0x55}), int32_t(ChOk));
        QCOMPARE(line.read(0, 0, 5, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 0x55);
        line.service.AbolishProtection(line.channel.get(), true, result);
        QCOMPARE(result, int32_t(ChOk));
        QCOMPARE(line.write(0, 0, 5, {0x66}), int32_t(ChWriteProtected));
        QCOMPARE(line.read(0, 0, 5, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 0x55);

        const QString prot = QString::number(ChWriteProtected);
        QCOMPARE(line.coupler.requests(),
                 (QStringList{"write 0 0 5 1 = " + prot, "write 0 0 12 1 = 0", "write 0 1 0 1 = 0", "write 0 110 0 1 = 0",
                              "service protection 0 = 0", "write 0 0 5 1 = 0", "read 0 0 5 1 = 0",
                              "service protection 1 = 0", "write 0 0 5 1 = " + prot, "read 0 0 5 1 = 0"}));
    }

    void reboot_data() { transports(); }
    void reboot()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {}, 200), qPrintable(line.coupler.output()));
        int32_t result = -1;
        line.service.AbolishProtection(line.channel.get(), false, result);
        QCOMPARE(result, int32_t(ChOk));

        QElapsedTimer timer;
        timer.start();
        line.service.RebootDevice(line.channel.get(), result);
        QCOMPARE(result, int32_t(ChOk));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChTimeout)); // restarting: no answer
        while (line.read(0, 9, 0, regs, 2) != ChOk && timer.elapsed() < 3000) {
        }
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(regs[0], 6555);
        // A reboot switches the protection back on.
        QCOMPARE(line.write(0, 0, 5, {1}), int32_t(ChWriteProtected));
        QVERIFY(line.coupler.requests().contains(QStringLiteral("read 0 9 0 2 = silent rebooting")));
    }

    void stationIdAndCycleTime_data() { transports(); }
    void stationIdAndCycleTime()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport), qPrintable(line.coupler.output()));
        IDeviceChannel* ch = line.channel.get();
        int32_t id = 0;
        QCOMPARE(line.service.ReadStationId(ch, id), int32_t(ChOk));
        QCOMPARE(id, 4711);
        id = 0;
        QCOMPARE(line.service.ReadStationIdEx(ch, id), int32_t(ChOk));
        QCOMPARE(id, 4711);

        bool active = true;
        int32_t result = -1;
        line.service.GetCycleTimeMeasurement(ch, active, result);
        QCOMPARE(result, int32_t(ChOk));
        QCOMPARE(active, false);
        line.service.SetCycleTimeMeasurement(ch, true, result);
        QCOMPARE(result, int32_t(ChOk));
        line.service.GetCycleTimeMeasurement(ch, active, result);
        QCOMPARE(active, true);

        QCOMPARE(line.write(0, 98, 0, {65535, 0, 0, 0}), int32_t(ChOk)); // restart the statistics
        std::vector<int32_t> regs;
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(line.read(0, 98, 0, regs, 4), int32_t(ChOk));
            QVERIFY(regs[2] >= 1350 && regs[2] <= 1650);
            QVERIFY(regs[0] <= regs[2] && regs[2] <= regs[1]);
            QVERIFY(regs[0] <= regs[3] && regs[3] <= regs[1]);
        }
        line.service.SetCycleTimeMeasurement(ch, false, result);
        QCOMPARE(result, int32_t(ChOk));
        std::vector<int32_t> frozen;
        QCOMPARE(line.read(0, 98, 0, regs, 4), int32_t(ChOk));
        QCOMPARE(line.read(0, 98, 0, frozen, 4), int32_t(ChOk));
        QCOMPARE(frozen, regs);

        QByteArray reply("kept");
        QCOMPARE(ch->ServiceRequest(0x2F, {}, reply), int32_t(ChUnsupported)); // kept for later firmware services
        QCOMPARE(reply, QByteArray("kept"));
    }

    void silentDevice_data() { transports(); }
    void silentDevice()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {QStringLiteral("--silent")}, 300), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChTimeout));
        QVERIFY(timer.elapsed() >= 290);
        QVERIFY2(timer.elapsed() < 300 + 200, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(regs, (std::vector<int32_t>{-1, -1}));
        int32_t id = 5;
        QCOMPARE(line.service.ReadStationId(line.channel.get(), id), int32_t(ChTimeout));
        QCOMPARE(id, 5);
    }

    // A full table crosses a 9600-baud line in longer than the time-out: the serial channel
    // waits for the line as well, and a silent device fails right after that bound.
    void slowSerialLine_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<bool>("silent");
        QTest::newRow("full table at 9600") << 9600 << false;
        QTest::newRow("full table at 19200") << 19200 << false;
        QTest::newRow("silent at 9600") << 9600 << true;
    }
    void slowSerialLine()
    {
        QFETCH(int, baud);
        QFETCH(bool, silent);
        constexpr int kTimeout = 500;
        QStringList options{QStringLiteral("--baud"), QString::number(baud)};
        if (silent)
            options << QStringLiteral("--silent");
        Line line;
        QVERIFY2(line.start(QStringLiteral("serial"), options, kTimeout), qPrintable(line.coupler.output()));
        dynamic_cast<ISerialChannelParam*>(line.channel->GetDeviceParamObj())->SetBaud(baud);
        // Request 14 bytes, reply 522 bytes, ten bits each.
        const int lineMs = (536 * 10 * 1000 + baud - 1) / baud;
        std::vector<int32_t> regs;
        QElapsedTimer timer;
        timer.start();
        const int32_t rc = line.read(0, 0, 0, regs, 256);
        const qint64 elapsed = timer.elapsed();
        if (!silent) {
            QCOMPARE(rc, int32_t(ChOk));
            QVERIFY(regs.back() != -1);
            return;
        }
        QCOMPARE(rc, int32_t(ChTimeout));
        QVERIFY2(elapsed >= kTimeout + lineMs - 10 && elapsed < kTimeout + lineMs + 200,
                 qPrintable(QString::number(elapsed)));
    }

    void damagedReplies_data() { transports(); }
    void damagedReplies()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {"--garble-reply", "2", "--truncate-reply", "3"}, 300),
                 qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChOk));
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChBadFrame));
        QCOMPARE(regs, (std::vector<int32_t>{-1, -1}));
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChBadFrame));
        QCOMPARE(regs, (std::vector<int32_t>{-1, -1}));
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChOk));
        QCOMPARE(regs, (std::vector<int32_t>{6555, 33793}));
        QCOMPARE(line.coupler.requests(), (QStringList{"read 0 9 0 2 = 0", "read 0 9 0 2 = 0 garbled",
                                                       "read 0 9 0 2 = 0 truncated", "read 0 9 0 2 = 0"}));
    }

    void injectedCodes_data() { transports(); }
    void injectedCodes()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {"--fail-first-reads", "2:5", "--fail-table", "114:5", "--fail-table", "3/1:7"}),
                 qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 2), 5);
        QCOMPARE(line.read(0, 9, 0, regs, 2), 5);
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChOk));
        QCOMPARE(line.read(0, 114, 0, regs, 20), 5);
        QCOMPARE(line.read(3, 1, 0, regs, 1), 7);
        QCOMPARE(line.read(3, 2, 0, regs, 1), int32_t(ChOk));
        QCOMPARE(line.write(0, 114, 0, {1}), int32_t(ChOk)); // only reads are failed
    }

    void openAndClose_data() { transports(); }
    void openAndClose()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.channel->PortOpen(), int32_t(ChOk)); // already open
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        QCOMPARE(line.channel->PortClose(), int32_t(ChOk));
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChNotOpen));
        QCOMPARE(line.channel->PortClose(), int32_t(ChOk));
        QCOMPARE(line.channel->PortOpen(), int32_t(ChOk));
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
    }

    void lateReplyIsNotTakenForTheNext_data() { transports(); }
    void lateReplyIsNotTakenForTheNext()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {"--delay-ms", "300"}, 150), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChTimeout));
        line.setTimeout(1000);
        QCOMPARE(line.read(0, 0, 246, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 1);
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 6555);
    }

    void couplerGoesAway_data() { transports(); }
    void couplerGoesAway()
    {
        QFETCH(QString, transport);
        Line line;
        QVERIFY2(line.start(transport, {}, 300), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        line.coupler.stop();

        // The program's event loop runs on while the line is dead, and must not spin.
        const std::clock_t cpu = std::clock();
        QTest::qWait(300);
        QVERIFY2((std::clock() - cpu) * 1000 / CLOCKS_PER_SEC < 150,
                 qPrintable(QStringLiteral("%1 ms CPU").arg((std::clock() - cpu) * 1000 / CLOCKS_PER_SEC)));
        QElapsedTimer timer;
        timer.start();
        // A lost link, not a time-out: the cable is to blame, not the Timeout setting.
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChLinkLost));
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChLinkLost));
        QVERIFY2(timer.elapsed() < 2 * 300 + 200, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(regs, (std::vector<int32_t>{-1}));

        // A coupler back on the same COM port or router is found again without a new PortOpen.
        QVERIFY2(line.coupler.start(QStringLiteral("vn6555-demo.xml"), {}, kCom), qPrintable(line.coupler.output()));
        if (transport == QLatin1String("qnp"))
            qputenv("TD4700_QNP_ROUTER", line.coupler.routerAddress().toLocal8Bit());
        if (transport == QLatin1String("qnp"))
            QCOMPARE(line.channel->PortOpen(), int32_t(ChOk)); // the router moved to another TCP port
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 6555);
    }

    void wrongNetIdFindsNoDevice()
    {
        Line line;
        QVERIFY2(line.start(QStringLiteral("qnp")), qPrintable(line.coupler.output()));
        auto* p = dynamic_cast<IQNPDeviceParam*>(line.channel->GetDeviceParamObj());
        p->SetNetId(QStringLiteral("1.2.3.4.5.6"));
        std::vector<int32_t> regs;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChNoDevice));
        QVERIFY(timer.elapsed() < 400);
        p->SetNetId(line.coupler.netId());
        p->SetPort(28928);
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChNoDevice));
        p->SetPort(line.coupler.qnpPort());
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChOk));
        p->SetNetId(QStringLiteral("1.2.3"));
        QCOMPARE(line.read(0, 9, 0, regs, 2), int32_t(ChBadArgument));
        QCOMPARE(line.coupler.trace(), (QStringList{"qnp nodevice 1.2.3.4.5.6 100",
                                                    "qnp nodevice 169.12.1.106.1.1 28928", "qnp read 0 9 0 2 = 0"}));
    }

    void droppedLinkIsRebuilt()
    {
        Line line;
        QVERIFY2(line.start(QStringLiteral("qnp"), {"--drop-after", "1"}, 1000), qPrintable(line.coupler.output()));
        std::vector<int32_t> regs;
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChLinkLost));
        QVERIFY(timer.elapsed() < 500); // a closed link is no reason to wait
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
        QCOMPARE(regs[0], 6555);
    }

    void multipointAddress()
    {
        Line line;
        QVERIFY2(line.start(QStringLiteral("serial"), {}, 200), qPrintable(line.coupler.output()));
        auto* p = dynamic_cast<ISerialChannelParam*>(line.channel->GetDeviceParamObj());
        std::vector<int32_t> regs;
        p->SetMultiPoint(3);
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChTimeout)); // no station with address 3
        p->SetMultiPoint(0);
        QCOMPARE(line.read(0, 9, 0, regs, 1), int32_t(ChOk));
    }
};

QTEST_GUILESS_MAIN(tst_Channels)
#include "tst_channels.moc"
