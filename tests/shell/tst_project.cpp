// clsProject against the scripted channel: the log-in probe, its log lines,
// the event and the port calls.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "platform/LocaleInfo.h"
#include "shell/clsProject.h"

#include <QtTest>

class tst_Project : public QObject {
    Q_OBJECT

    struct Fixture {
        TestEnv env;
        ScriptedChannel channel;
        RecordingDeviceService* service = nullptr;
        clsProject project;
        QList<bool> events;       // the argument of each event
        QStringList seenInHandler; // "open" or "closed", and the service calls so far

        Fixture()
        {
            env.context().gObjDevChannel = &channel;
            auto devSrv = std::make_unique<RecordingDeviceService>();
            service = devSrv.get();
            env.context().gObjDevSrv = std::move(devSrv);
            channel.setTable(0, 9, {6555, 33793});
            QObject::connect(&project, &clsProject::ProjectStateChangeOnline, &project,
                             [this](bool& online) {
                                 events << online;
                                 seenInHandler << (channel.isOpen ? QStringLiteral("open") : QStringLiteral("closed"));
                                 seenInHandler << service->calls;
                             },
                             Qt::DirectConnection);
        }
        ~Fixture() { env.context().gObjDevChannel = nullptr; }
    };

private Q_SLOTS:
    void logInProbe_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("calls");
        const QString probe = QStringLiteral("read 0 9 0 2");
        QTest::newRow("answer at try 0") << 0 << int(ChTimeout) << true << QString()
                                         << QStringList{"open", probe};
        QTest::newRow("answer at try 1 keeps the line of try 0")
            << 1 << int(ChTimeout) << true << QStringLiteral("0 Timeout\r\n") << QStringList{"open", probe, probe};
        QTest::newRow("answer at try 3") << 3 << int(ChTimeout) << true
                                         << QStringLiteral("0 Timeout\r\n1 Timeout\r\n2 Timeout\r\n")
                                         << QStringList{"open", probe, probe, probe, probe};
        QTest::newRow("a refused probe names its code, not a time-out")
            << 2 << int(ChNoSuchTable) << true
            << QStringLiteral("0 Tabelle nicht vorhanden (Code 4098)\r\n1 Tabelle nicht vorhanden (Code 4098)\r\n")
            << QStringList{"open", probe, probe, probe};
        QTest::newRow("four failures: offline and the port closed again")
            << 4 << int(ChTimeout) << false << QStringLiteral("0 Timeout\r\n1 Timeout\r\n2 Timeout\r\n3 Timeout\r\n")
            << QStringList{"open", probe, probe, probe, probe, "close"};
    }

    void logInProbe()
    {
        QFETCH(int, failures);
        QFETCH(int, code);
        QFETCH(bool, online);
        QFETCH(QString, log);
        QFETCH(QStringList, calls);
        Fixture f;
        f.channel.failNextReads(failures, code);
        f.project.setOnline(true);
        QCOMPARE(f.project.Online(), online);
        QCOMPARE(f.env.log().Text(), log);
        QCOMPARE(f.channel.callLog(), calls);
        QCOMPARE(f.events, online ? QList<bool>{true} : QList<bool>{});
        QCOMPARE(f.channel.isOpen, online);
    }

    // Only a time-out is called one: the router's "no device" and a dead line name the net id and port or the cable.
    void probeLine_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("line");
        QTest::newRow("time-out") << int(ChTimeout) << false << "2 Timeout";
        QTest::newRow("no device") << int(ChNoDevice) << false << "2 Kein Gerät mit dieser Net-Id und diesem Port (Code 4106)";
        QTest::newRow("no device, English") << int(ChNoDevice) << true << "2 No device with this net id and port (code 4106)";
        QTest::newRow("link lost, English") << int(ChLinkLost) << true << "2 Link lost (code 4111)";
        QTest::newRow("a device's own code") << 0x2001 << false << "2 Fehler (Code 8193)";
    }
    void probeLine()
    {
        QFETCH(int, code);
        QFETCH(bool, english);
        TestEnv env;
        int32_t status = 0;
        env.context().gObjLocale->SetLocale(english ? 9 : 7, 1, status);
        QTEST(clsProject::probeFailedText(2, code), "line");
    }

    void logInWithoutPort_data()
    {
        QTest::addColumn<bool>("haveChannel");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("device"); // stored channel kind; null: none stored
        QTest::addColumn<QString>("log");
        QTest::addColumn<QStringList>("calls");
        // A kind the program has no channel for is named, with where to choose another.
        QTest::newRow("no channel object, German")
            << false << false << "5"
            << QStringLiteral("Kein Kommunikationskanal gewählt (gespeichertes \"Device\" ist \"5\"). "
                              "Bitte unter Optionen > Kommunikationskanal einen wählen.\r\n")
            << QStringList{};
        QTest::newRow("no channel object, English")
            << false << true << "serial"
            << QStringLiteral("No communication channel is chosen (stored \"Device\" is \"serial\"). "
                              "Choose one under Options > Communication channel.\r\n")
            << QStringList{};
        QTest::newRow("no channel object, nothing stored")
            << false << true << QString()
            << QStringLiteral("No communication channel is chosen (stored \"Device\" is \"\"). "
                              "Choose one under Options > Communication channel.\r\n")
            << QStringList{};
        QTest::newRow("port cannot be opened") << true << false << "0"
                                               << QStringLiteral("Schnittstelle konnte nicht geöffnet werden\r\n")
                                               << QStringList{"open"};
    }

    void logInWithoutPort()
    {
        QFETCH(bool, haveChannel);
        QFETCH(bool, english);
        QFETCH(QString, device);
        QFETCH(QString, log);
        QFETCH(QStringList, calls);
        Fixture f;
        const QString key = gCommon().CompanyRegKey(); // the settings object loads its language before the test sets one
        if (!device.isNull())
            app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Device"), device);
        if (english) {
            int32_t status = 0;
            f.env.context().gObjLocale->SetLocale(9, 1, status);
        }
        if (!haveChannel)
            f.env.context().gObjDevChannel = nullptr;
        f.channel.setOpenResult(ChOpenFailed);
        f.project.setOnline(true);
        QCOMPARE(f.project.Online(), false);
        QVERIFY(f.events.isEmpty());
        QCOMPARE(f.env.log().Text(), log);
        QCOMPARE(f.channel.callLog(), calls);
    }

    void assigningTheCurrentValueDoesNothing()
    {
        Fixture f;
        f.project.setOnline(false);
        QVERIFY(f.channel.calls.isEmpty());
        QVERIFY(f.events.isEmpty());

        f.project.setOnline(true);
        f.channel.calls.clear();
        f.project.setOnline(true);
        QVERIFY(f.channel.calls.isEmpty());
        QCOMPARE(f.events, QList<bool>{true});
    }

    void logOut_data()
    {
        QTest::addColumn<int>("accessLevel");
        QTest::addColumn<QStringList>("serviceCalls");
        QTest::newRow("developer restores the protection first") << 1 << QStringList{"AbolishProtection 1"};
        QTest::newRow("production leaves the protection alone") << 2 << QStringList{};
        QTest::newRow("level 0 leaves the protection alone") << 0 << QStringList{};
    }

    void logOut()
    {
        QFETCH(int, accessLevel);
        QFETCH(QStringList, serviceCalls);
        Fixture f;
        gCommon().setAccessLevel(accessLevel);
        f.project.setOnline(true);
        f.events.clear();
        f.seenInHandler.clear();
        f.channel.calls.clear();

        f.project.setOnline(false);
        QCOMPARE(f.project.Online(), false);
        QCOMPARE(f.events, QList<bool>{false});
        // The handler runs while the port is still open, after the protection call.
        QCOMPARE(f.seenInHandler, QStringList{"open"} + serviceCalls);
        QCOMPARE(f.service->calls, serviceCalls);
        QCOMPARE(f.channel.callLog(), QStringList{"close"});
        QVERIFY(!f.channel.isOpen);
    }

    void eventSeesTheNewState()
    {
        Fixture f;
        bool seen = false;
        connect(&f.project, &clsProject::ProjectStateChangeOnline, this,
                [&](bool&) { seen = f.project.Online(); }, Qt::DirectConnection);
        f.project.setOnline(true);
        QVERIFY(seen);
    }
};

QTEST_MAIN(tst_Project)
#include "tst_project.moc"
