#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "devices/CouplerIdentification.h"
#include "devices/StationReadContext.h"

#include <QtTest>

// A coupler given as "T=8853 246=1024 248=48847": T is table 9 register 0,
// every other key a register of table 0.
static void loadCoupler(ScriptedChannel& channel, const QString& registers)
{
    channel.setTable(0, 0, QVector<int32_t>(256, 0));
    channel.setTable(0, 9, QVector<int32_t>(255, 0));
    for (const QString& item : registers.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList kv = item.split(QLatin1Char('='));
        if (kv[0] == QLatin1String("T"))
            channel.setRegister(0, 9, 0, kv[1].toInt());
        else
            channel.setRegister(0, 0, kv[0].toInt(), kv[1].toInt());
    }
}

class tst_CouplerName : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void naming_data();
    void naming();
    void readsInOrder();
    void failedReadEndsIdentification_data();
    void failedReadEndsIdentification();

private:
    std::unique_ptr<TestEnv> env;
};

void tst_CouplerName::init() { env = std::make_unique<TestEnv>(); }
void tst_CouplerName::cleanup() { env.reset(); }

void tst_CouplerName::naming_data()
{
    QTest::addColumn<QString>("registers");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("typeAfter");   // gTermTable(0) afterwards
    QTest::addColumn<int>("r246After");
    QTest::addColumn<int>("r250After");

    // Older couplers: R248 is not the family-word mark.
    QTest::newRow("type number 0") << "T=0 248=48847 246=1" << "Unknown" << 0 << 1 << 0;
    QTest::newRow("older, R254 4096, no extension") << "T=1234 254=4096 250=65535" << "NJ1234-0000" << 1234 << 0 << 0;
    QTest::newRow("older, R254 65535") << "T=3555 254=65535 250=65535" << "VN3555-0000" << 3555 << 0 << 0;
    QTest::newRow("older, R254 2") << "T=100 254=2 250=7" << "VJ100-0007" << 100 << 0 << 7;
    QTest::newRow("older, R254 256") << "T=4555 254=256 250=12" << "VR4555-0012" << 4555 << 0 << 12;
    QTest::newRow("older, R254 512") << "T=4555 254=512 250=12345" << "ZR4555-12345" << 4555 << 0 << 12345;
    QTest::newRow("older, other R254") << "T=4555 254=3 250=1" << "VN4555-0001" << 4555 << 0 << 1;
    QTest::newRow("older 6885 drops its extension") << "T=6885 250=12" << "VN6885-0000" << 6885 << 0 << 0;
    QTest::newRow("older 6585 drops its extension") << "T=6585 250=12" << "VN6585-0000" << 6585 << 0 << 0;
    QTest::newRow("older ignores the family word") << "T=4555 248=1 246=32 250=0" << "VN4555-0000" << 4555 << 32 << 0;
    QTest::newRow("older 8858 keeps R246") << "T=8858 246=5 250=0" << "VN8858-0000" << 8858 << 5 << 0;

    // Family word, F = low byte of R246.
    QTest::newRow("F 1, R247 0") << "T=6555 248=48847 246=1 247=0 250=5555" << "VN6555-5555" << 6555 << 1 << 5555;
    QTest::newRow("F 1, R247 1") << "T=6555 248=48847 246=1 247=1 250=1" << "VN6555-0001" << 6555 << 1 << 1;
    QTest::newRow("F 1, R247 2") << "T=6555 248=48847 246=1 247=2 250=1" << "VJ6555-0001" << 6555 << 1 << 1;
    QTest::newRow("F 1, other R247: no prefix") << "T=6555 248=48847 246=1 247=3 250=65535" << "6555-0000" << 6555 << 1
                                                << 0;
    QTest::newRow("F 2 with 6855 is VR and R246 256") << "T=6855 248=48847 246=2 250=0" << "VR6855-0000" << 6855 << 256
                                                      << 0;
    QTest::newRow("F 4") << "T=1 248=48847 246=4 250=2" << "ZR1-0002" << 1 << 4 << 2;
    QTest::newRow("F 8") << "T=2 248=48847 246=8 250=2" << "PY2-0002" << 2 << 8 << 2;
    QTest::newRow("F 16") << "T=3 248=48847 246=16 250=2" << "HW3-0002" << 3 << 16 << 2;
    QTest::newRow("F 0, H 256") << "T=4855 248=48847 246=256 250=65535" << "VR4855-0000" << 4855 << 256 << 0;
    QTest::newRow("F 0, H 512") << "T=4855 248=48847 246=512 250=0" << "VZ4855-0000" << 4855 << 512 << 0;
    QTest::newRow("F 0, H 2048") << "T=4855 248=48847 246=2048 250=9" << "VR4855-0009" << 4855 << 2048 << 9;
    QTest::newRow("F 0, H 1024, other type number") << "T=4000 248=48847 246=1024 250=9" << "HQ4000-0009" << 4000
                                                    << 1024 << 9;
    QTest::newRow("F 0, other H") << "T=4855 248=48847 246=4096 250=9" << "VN4855-0009" << 4855 << 4096 << 9;

    // Box couplers: UR, UF and JZ are named from R201..R203.
    QTest::newRow("box UR, H 256 gives C") << "T=1 248=48847 246=288 201=1234 202=56 203=7" << "UR1234-C056-0007" << 1
                                           << 288 << 0;
    QTest::newRow("box UR, H 0 gives B") << "T=1 248=48847 246=32 201=8512 202=685 203=0" << "UR8512-B685-0000" << 1
                                         << 32 << 0;
    QTest::newRow("box UF") << "T=1 248=48847 246=2 201=3600 202=935 203=0" << "UF3600-B935-0000" << 1 << 2 << 0;
    QTest::newRow("box JZ") << "T=1 248=48847 246=64 201=1 202=2 203=3" << "JZ0001-B002-0003" << 1 << 64 << 0;

    // The type number in R53, marked by R50 and R51, for VR and VN only.
    QTest::newRow("VN takes T from R53") << "T=1 248=48847 246=1 50=21845 51=43690 53=9555 250=65535"
                                         << "VN9555-0000" << 9555 << 1 << 0;
    QTest::newRow("VR takes T from R53") << "T=1 248=48847 246=256 50=21845 51=43690 53=4855 250=0" << "VR4855-0000"
                                         << 4855 << 256 << 0;
    QTest::newRow("half a mark keeps T") << "T=1 248=48847 246=1 50=21845 51=1 53=9555 250=0" << "VN1-0000" << 1 << 1
                                         << 0;
    QTest::newRow("ZR ignores the mark") << "T=7 248=48847 246=4 50=21845 51=43690 53=9555 250=0" << "ZR7-0000" << 7
                                         << 4 << 0;

    // Embedded PCs.
    QTest::newRow("8853 with bit 10") << "T=8853 248=48847 246=1024 250=0" << "HQ8855-0002" << 8855 << 1024 << 2;
    QTest::newRow("8858 gets R246 1024") << "T=8858 248=48847 246=1 250=0" << "HQ8855-0001" << 8855 << 1024 << 1;
    QTest::newRow("8856 with bit 10") << "T=8856 248=48847 246=1025 250=0" << "HQ8855-0003" << 8855 << 1025 << 3;
    QTest::newRow("8855, R246 1024") << "T=8855 248=48847 246=1024 250=0" << "HQ8855-0002" << 8855 << 1024 << 2;
    QTest::newRow("8855, R246 1056 (extension station)") << "T=8855 248=48847 246=1056 250=0" << "HQ8855-0003" << 8855
                                                        << 1056 << 3;
    QTest::newRow("8855, other R246 with bit 10") << "T=8855 248=48847 246=1025 250=0" << "HQ8855-0001" << 8855 << 1025
                                                  << 1;
    QTest::newRow("8853 without bit 10") << "T=8853 248=48847 246=1 250=0" << "VN8853-0000" << 8853 << 1 << 0;
    QTest::newRow("bit 9 gives VZ and no extension") << "T=4555 248=48847 246=513 250=77" << "VZ4555-0000" << 4555
                                                     << 513 << 0;
    QTest::newRow("bit 9 after bit 10 found no embedded PC") << "T=4555 248=48847 246=1536 250=77" << "VZ4555-0000"
                                                             << 4555 << 1536 << 0;
    QTest::newRow("bit 10 overrides a box prefix") << "T=8853 248=48847 246=1056 201=1 250=0" << "HQ8855-0002" << 8855
                                                   << 1056 << 2;

    // VN6663 with family 48 is renamed JZ; Mid keeps at most nine characters.
    QTest::newRow("VN6663, F 48") << "T=6663 248=48847 246=48 250=65535" << "JZ6663-0000" << 6663 << 48 << 0;
    QTest::newRow("VN6663, F 48, long extension") << "T=6663 248=48847 246=48 250=12345" << "JZ6663-1234" << 6663
                                                  << 48 << 12345;
    QTest::newRow("VN6663, F 1 stays") << "T=6663 248=48847 246=1 250=0" << "VN6663-0000" << 6663 << 1 << 0;
}

void tst_CouplerName::naming()
{
    QFETCH(QString, registers);
    QFETCH(QString, name);
    QFETCH(int, typeAfter);
    QFETCH(int, r246After);
    QFETCH(int, r250After);
    ScriptedChannel channel;
    loadCoupler(channel, registers);
    StationReadContext context;
    QString result = QStringLiteral("stale");
    fReadCouplerName(&channel, result, context);
    QCOMPARE(result, name);
    QCOMPARE(context.gTermTable[0], typeAfter);
    QCOMPARE(context.gRegTable0[246], r246After);
    QCOMPARE(context.gRegTable0[250], r250After);
    QCOMPARE(env->log().Text(), QString());
}

void tst_CouplerName::readsInOrder()
{
    ScriptedChannel channel;
    loadCoupler(channel, QStringLiteral("T=6555 248=48847 246=1 250=5555 255=47616 109=9 110=8 50=1 199=3 9=4"));
    channel.setRegister(0, 9, 254, 4587);
    StationReadContext context;
    context.gRegTable0[9] = 77; // registers outside the read ranges are cleared, not kept
    QString name;
    fReadCouplerName(&channel, name, context);
    QCOMPARE(channel.callLog(), QStringList({"read 0 0 200 55", "read 0 0 50 55", "read 0 0 55 55", "read 0 9 0 255",
                                             "read 0 0 255 1"}));
    QCOMPARE(context.gFirmwareWord, 47616);
    QCOMPARE(context.gRegTable0[50], 1);
    QCOMPARE(context.gRegTable0[109], 9);
    QCOMPARE(context.gRegTable0[110], 0);
    QCOMPARE(context.gRegTable0[199], 0);
    QCOMPARE(context.gRegTable0[9], 0);
    QCOMPARE(context.gRegTable0[255], 0); // the firmware word has its own place
    QCOMPARE(context.gTermTable[254], 4587);
    QCOMPARE(context.gTermTable[255], 0);
}

void tst_CouplerName::failedReadEndsIdentification_data()
{
    QTest::addColumn<int>("table"); // the table whose reads fail; -1: no channel at all
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("reads"); // requests made before the identification ends
    QTest::addColumn<int>("first"); // first register of the failed read
    QTest::newRow("table 0 silent") << 0 << int(ChTimeout) << 1 << 200;
    QTest::newRow("table 0 refused") << 0 << 0x2001 << 1 << 200;
    QTest::newRow("terminal list silent") << 9 << int(ChTimeout) << 4 << 0;
    QTest::newRow("terminal list refused") << 9 << int(ChNoSuchTable) << 4 << 0;
    QTest::newRow("no channel") << -1 << int(ChNotOpen) << 0 << 200;
}

void tst_CouplerName::failedReadEndsIdentification()
{
    QFETCH(int, table);
    QFETCH(int, code);
    QFETCH(int, reads);
    QFETCH(int, first);
    ScriptedChannel channel;
    loadCoupler(channel, QStringLiteral("T=6555 248=48847 246=1 250=5555 255=47616"));
    StationReadContext context;
    QString name;
    QCOMPARE(fReadCouplerName(&channel, name, context), 0);
    QCOMPARE(name, QStringLiteral("VN6555-5555"));

    // No name from registers that were not read, and nothing of the previous coupler.
    channel.calls.clear();
    channel.failReads(0, table, code);
    QCOMPARE(fReadCouplerName(table < 0 ? nullptr : &channel, name, context), int32_t(code));
    QCOMPARE(name, QString());
    QCOMPARE(channel.calls.size(), reads);
    QCOMPARE(context.readFailure.code, int32_t(code));
    QCOMPARE(context.readFailure.table, table < 0 ? 0 : table);
    QCOMPARE(context.readFailure.first, first);
    QCOMPARE(context.gTermTable[0], 0);
    QCOMPARE(context.gFirmwareWord, 0);
    QCOMPARE(env->log().Text(), QString()); // the log-in reports it, once
}

QTEST_GUILESS_MAIN(tst_CouplerName)
#include "tst_couplername.moc"
