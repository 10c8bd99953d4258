// Names the station reading gives to terminals, and the icons their heads select.
#include "devices/modDeviceIcon.h"
#include "devices/modTerminalNames.h"

#include <QHash>
#include <QSet>
#include <QtTest>

class TestStationNames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void digitalNames_data();
    void digitalNames();
    void otherNames_data();
    void otherNames();
    void multiLayoutNames();
    void icons_data();
    void icons();
};

void TestStationNames::digitalNames_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("station"); // 0 standard, 1 compact box, 2 extension station
    QTest::addColumn<QString>("name");

    // Standard layout: 0x8000 | width << 8 | kind.
    QTest::newRow("in 2") << 0x8201 << 0 << "TM8xx2-5555";
    QTest::newRow("in 4") << 0x8401 << 0 << "TM8xx4-5555";
    QTest::newRow("in 8") << 0x8801 << 0 << "TM8xx8-5555";
    QTest::newRow("in 16") << 0x9001 << 0 << "TM8xxx-5555";
    QTest::newRow("in 32") << 0xA001 << 0 << "TW85x1-5555";
    QTest::newRow("in 64") << 0xC001 << 0 << "TW85x7-5555";
    QTest::newRow("in other") << 0x8601 << 0 << "TM8xxx-5555(6)";
    QTest::newRow("out 2") << 0x8202 << 0 << "TM3xx2-5555";
    QTest::newRow("out 4") << 0x8402 << 0 << "TM3xx4-5555";
    QTest::newRow("out 8") << 0x8802 << 0 << "TM3xx8-5555";
    QTest::newRow("out 16") << 0x9002 << 0 << "TM3xxx-5555";
    QTest::newRow("out 32") << 0xA002 << 0 << "TW3551-5555";
    QTest::newRow("out 64") << 0xC002 << 0 << "TW3557-5555";
    QTest::newRow("out other") << 0x8C02 << 0 << "TM3xxx-5555(12)";
    QTest::newRow("in/out 2, id 33283") << 33283 << 0 << "TM3218-5555";
    QTest::newRow("in/out 2, other id") << 0x8207 << 0 << "TM33x3-5555";
    QTest::newRow("in/out 4, bit 2 clear") << 0x8403 << 0 << "TM3383-5555";
    QTest::newRow("in/out 4, bit 2 set") << 0x8407 << 0 << "TM8383-5555";
    QTest::newRow("in/out 8") << 0x8803 << 0 << "TM33x8-5555";
    QTest::newRow("in/out other") << 0x8603 << 0 << "TM33xx-5555(6)";
    QTest::newRow("kind 0 width 2") << 0x8200 << 0 << "TW3213-5555";
    QTest::newRow("kind 0 width 4") << 0x8400 << 0 << "TW8211-5555";
    QTest::newRow("kind 0 width 8") << 0x8800 << 0 << "TM8794-5555";
    QTest::newRow("kind 0 width other") << 0x8600 << 0 << "TM33xx-5555(6)";

    // Box layout: outputs (id & 3) * u, inputs ((id & 12) / 4) * u, u 8 with bit 4.
    QTest::newRow("box in 2") << 0x04 << 1 << "UG85xx-5555";
    QTest::newRow("box in 4") << 0x08 << 1 << "UG85xx-5555";
    QTest::newRow("box in 8") << 0x14 << 2 << "UG85xx-5555";
    QTest::newRow("box in 16") << 0x18 << 1 << "TM8xxx-5555";
    QTest::newRow("box in other") << 0x0C << 1 << "UG85xx-5555";
    QTest::newRow("box out 2") << 0x01 << 1 << "UG35xx-5555";
    QTest::newRow("box out 8") << 0x11 << 2 << "UG35xx-5555";
    QTest::newRow("box out 16") << 0x12 << 1 << "TM3xxx-5555";
    QTest::newRow("box out other") << 0x03 << 1 << "UG35xx-5555";
    QTest::newRow("box in/out 2") << 0x05 << 2 << "UG36xx-5555";
    QTest::newRow("compact box in/out 4") << 0x09 << 1 << "UG36xx-5555";
    QTest::newRow("extension in/out 4 takes the bit-2 rule") << 0x09 << 2 << "TM3383-5555";
    QTest::newRow("box in/out 8") << 0x15 << 1 << "UG31xx-5555";
    QTest::newRow("box in/out other") << 0x0D << 1 << "UG3xxx-5555";
    QTest::newRow("box kind 0") << 0x10 << 2 << "UG3xxx-5555";
}

void TestStationNames::digitalNames()
{
    QFETCH(int, id);
    QFETCH(int, station);
    QFETCH(QString, name);
    const bool compactBox = station == 1;
    const bool extension = station == 2;
    QVERIFY(decodeTerminalId(id, compactBox || extension).digital);
    QCOMPARE(fDigitalTerminalName(id, compactBox, extension), name);
}

void TestStationNames::otherNames_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("extension");
    QTest::addColumn<bool>("box");
    QTest::addColumn<QString>("name");

    QTest::newRow("type >= 1000") << 6853 << 2 << false << "TM6853-0002";
    QTest::newRow("extension 65535 is 0") << 6853 << 65535 << false << "TM6853-0000";
    QTest::newRow("five-digit extension keeps four") << 6853 << 12345 << false << "TM6853-2345";
    QTest::newRow("box station") << 6853 << 2 << true << "UG6853-0002";
    QTest::newRow("type 1000") << 1000 << 0 << false << "TM1000-0000";
    QTest::newRow("type < 1000") << 530 << 1234 << false << "095-530_012-234";
    QTest::newRow("type < 1000, five digits") << 530 << 12345 << false << "095-530_012-345";
    QTest::newRow("type < 1000, extension 0") << 7 << 0 << false << "095-7_000-000";
    QTest::newRow("rename 3001") << 3001 << 7 << false << "TW3001-0007";
    QTest::newRow("rename 6058") << 6058 << 0 << false << "TW6058-0000";
    QTest::newRow("rename 6053") << 6053 << 1 << false << "TW6053-0001";
    QTest::newRow("rename 6083") << 6083 << 65535 << false << "TW6083-0000";
    QTest::newRow("rename 2998") << 2998 << 12345 << false << "TW2998-2345";
    QTest::newRow("no rename on a box station") << 3001 << 7 << true << "UG3001-0007";
    QTest::newRow("no rename of 6055") << 6055 << 0 << false << "TM6055-0000";
}

void TestStationNames::otherNames()
{
    QFETCH(int, id);
    QFETCH(int, extension);
    QFETCH(bool, box);
    QFETCH(QString, name);
    QCOMPARE(fOtherTerminalName(id, extension, box), name);
}

void TestStationNames::multiLayoutNames()
{
    for (const char* name :
         {"UG85xx-5555", "UG35xx-5555", "UG36xx-5555", "UG31xx-5555", "UG3xxx-5555", "TM3383-5555"})
        QVERIFY2(isMultiLayoutDigitalName(QLatin1String(name)), name);
    for (const char* name : {"TM8xxx-5555", "TM3xxx-5555", "TM8383-5555", "UG6853-0002", "TM8xx4-5555"})
        QVERIFY2(!isMultiLayoutDigitalName(QLatin1String(name)), name);

    // Every digital identifier on every station kind: a name that reaches more than
    // one channel layout must be one of the rebuilt names.
    QHash<QString, QSet<QString>> layouts;
    for (int station = 0; station < 3; ++station) {
        const bool compactBox = station == 1;
        const bool extension = station == 2;
        for (int id = 1; id <= 0xFFFF; ++id) {
            const TerminalIdDecode d = decodeTerminalId(id, compactBox || extension);
            if (!d.digital)
                continue;
            // The views follow the counts; only the three fixed names follow the width.
            const QString name = fDigitalTerminalName(id, compactBox, extension);
            const bool byWidth = name == QLatin1String("TW8211-5555") || name == QLatin1String("TW3213-5555")
                || name == QLatin1String("TM8794-5555");
            layouts[name].insert(byWidth ? QStringLiteral("w%1").arg(d.width)
                                         : QStringLiteral("%1/%2").arg(d.inCount).arg(d.outCount));
        }
    }
    QStringList shared;
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it)
        if (it.value().size() > 1)
            shared << it.key();
    shared.sort();
    QCOMPARE(shared, (QStringList{"TM3383-5555", "UG31xx-5555", "UG35xx-5555", "UG36xx-5555", "UG3xxx-5555",
                                  "UG85xx-5555"}));
    for (const QString& name : shared)
        QVERIFY2(isMultiLayoutDigitalName(name), qPrintable(name));
}

void TestStationNames::icons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");

    // One prefix from each of the 30 lists.
    QTest::newRow("list 1") << "VN6555-5555" << "2";
    QTest::newRow("list 1 XD55") << "XD5555-0000" << "2";
    QTest::newRow("list 2") << "VR4555-5555" << "3";
    QTest::newRow("list 3") << "VJ6855-0000" << "3";
    QTest::newRow("list 4") << "HQ8855-5555" << "46";
    QTest::newRow("list 5") << "VZ4555-0000" << "46";
    QTest::newRow("list 6") << "TM8xx4-5555" << "5";
    QTest::newRow("list 6 XBN5") << "XBN555" << "5";
    QTest::newRow("list 7") << "TM8451-5555" << "58";
    QTest::newRow("list 8") << "TM3xx2-5555" << "6";
    QTest::newRow("list 9") << "TM3451-0000" << "59";
    QTest::newRow("list 10") << "TM6853-0000" << "7";
    QTest::newRow("list 10 YP3T") << "YP3T00" << "7";
    QTest::newRow("list 11") << "TM1883-0000" << "8";
    QTest::newRow("list 12") << "XB5500" << "11";
    QTest::newRow("list 13") << "TW2998-0000" << "11";
    QTest::newRow("list 14") << "TM2451-0000" << "60";
    QTest::newRow("list 15") << "TM4585-5555" << "9";
    QTest::newRow("list 15 QPK5") << "QPK500" << "9";
    QTest::newRow("list 16") << "UF8965-5555" << "21";
    QTest::newRow("list 17") << "UF3500-B935-0000" << "22";
    QTest::newRow("list 18") << "UF3600-B935-0000" << "25";
    QTest::newRow("list 18 UR36") << "UR3600-C685-0000" << "25";
    QTest::newRow("list 19") << "UF6500" << "23";
    QTest::newRow("list 20") << "UF1400" << "24";
    QTest::newRow("list 21") << "UF9400" << "27";
    QTest::newRow("list 22") << "UF2400" << "27";
    QTest::newRow("list 23") << "UG85xx-5555" << "29";
    QTest::newRow("list 24") << "UG35xx-5555" << "30";
    QTest::newRow("list 25") << "UG36xx-5555" << "33";
    QTest::newRow("list 25 UG31") << "UG31xx-5555" << "33";
    QTest::newRow("list 26") << "UG6853-0002" << "31";
    QTest::newRow("list 27") << "UG1883-0000" << "32";
    QTest::newRow("list 28") << "UG9554-0000" << "35";
    QTest::newRow("list 29") << "UG2553-0000" << "35";
    QTest::newRow("list 30") << "UR0812-C685-0000" << "54";

    // Literal "x", names of the station reading, and the default.
    QTest::newRow("TM3x literal") << "TM3xxx-5555(12)" << "6";
    QTest::newRow("TW8x literal") << "TW8x11" << "5";
    QTest::newRow("UG3x is no list") << "UG3xxx-5555" << "4";
    QTest::newRow("095 name") << "095-530_012-234" << "4";
    QTest::newRow("UR box 1234") << "UR1234-C685-0000" << "4";
    QTest::newRow("lower case") << "tm8500" << "4";
    QTest::newRow("Unknown") << "Unknown" << "4";
    QTest::newRow("empty") << "" << "4";
    QTest::newRow("three characters") << "TM8" << "4";
    QTest::newRow("exactly four") << "TM84" << "58";
}

void TestStationNames::icons()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    QCOMPARE(fGetDeviceIcon(name), icon);
}

QTEST_GUILESS_MAIN(TestStationNames)
#include "tst_stationnames.moc"
