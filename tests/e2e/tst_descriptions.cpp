// Station reading against the virtual coupler through the real serial channel:
// the station document of each station file, the description cache, and a
// description that a failed read keeps out of the cache.
#include "E2eStation.h"
#include "platform/modRefList.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

QStringList names(const QStringList& devices)
{
    QStringList out;
    for (const QString& d : devices)
        out << d.section(QLatin1Char(':'), 1, 1);
    return out;
}

// Reads of the description builders: channel counts, the table directory and probe,
// the module reads of a compact box.
bool isBuilderRead(const QString& request)
{
    static const QRegularExpression builder(
        QStringLiteral("^read (\\d+ 0 11 1|0 127 0 128|0 \\d+ 0 1|0 0 201 1|1 \\d+ 8 1)$"));
    return builder.match(request).hasMatch();
}

} // namespace

class TestDescriptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void stations_data();
    void stations();
    void mixedStation();
    void secondReadComesFromTheCache();
    void failedChannelCountIsNotCached();
};

void TestDescriptions::stations_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("devices");

    QTest::newRow("standard mix") << "vn6555-mix.xml"
                                  << QStringList{"0:VN6555-5555:2",     "1:TM8xx4-5555:2",  "2:TM3xx2-5555:2",
                                                 "3:TM6853-0000:2",     "4:TM8451-0000:2",  "5:TW8211-5555:2",
                                                 "6:TW3001-0007:2",     "7:TM4937-5555:2",  "8:095-530_012-234:2",
                                                 "9:TM1883-0000:2",     "10:TM33x8-5555:2", "11:TM6883-0000:2",
                                                 "12:TM4585-5555:2"};
    QTest::newRow("compact box") << "uf3600-box.xml"
                                 << QStringList{"0:UF3600-B935-0000:0", "2:UG36xx-5555:0", "3:UG85xx-5555:0",
                                                "4:UG6853-0002:0"};
    QTest::newRow("extension station") << "hq8855-ext.xml"
                                       << QStringList{"0:HQ8855-0003:0", "1:TM3383-5555:0", "2:UG31xx-5555:0",
                                                      "3:UG6853-0000:0"};
    QTest::newRow("older coupler") << "nj1234-old.xml"
                                   << QStringList{"0:NJ1234-0000:0", "1:TM8xx2-5555:0", "2:TM1883-0000:0",
                                                  "3:TM4585-5555:0"};

    // 254 terminals: the end terminal lands at position 255.
    QStringList full{"0:VN6555-5555:0"};
    for (int p = 1; p <= 254; ++p) {
        static const char* const kNames[3] = {"TM8xx4-5555", "TM3xx2-5555", nullptr};
        const char* name = kNames[(p - 1) % 3];
        full << QStringLiteral("%1:%2:0").arg(p).arg(name ? QString::fromLatin1(name)
                                                           : QStringLiteral("TM6853-%1").arg(p, 4, 10, QLatin1Char('0')));
    }
    full << QStringLiteral("255:TM4585-5555:0");
    QTest::newRow("254 terminals") << "full254.xml" << full;
}

void TestDescriptions::stations()
{
    QFETCH(QString, file);
    QFETCH(QStringList, devices);
    E2eStation s;
    QVERIFY2(s.start(file), qPrintable(s.coupler.output()));
    s.read();
    QCOMPARE(s.devices(), devices);
    QStringList expectedFiles = names(devices);
    expectedFiles.removeDuplicates();
    expectedFiles.sort();
    QCOMPARE(s.desc.cachedNames(), expectedFiles);
}

void TestDescriptions::mixedStation()
{
    E2eStation s;
    QVERIFY2(s.start(QStringLiteral("vn6555-mix.xml")), qPrintable(s.coupler.output()));
    int32_t status = 0;
    app().gObjLocale->SetLocale(9, 1, status);
    fLoadRefList(QStringLiteral(TD4700_SOURCE_DIR "/resources/RefList.xml"));
    s.read();

    const pugi::xml_node digital = s.device(1);
    QCOMPARE(xmlAttr(digital, "Icon"), QStringLiteral("5"));
    QCOMPARE(xmlChildText(digital, "NameCompID2"), QStringLiteral("PW-DI4"));
    QCOMPARE(xmlChildText(digital, "Desc1031"), QStringLiteral("4 Kanal dig. Eingang"));
    QCOMPARE(viewLines(digital), (QStringList{"Eingangskanal 1|Input Channel 1|41|IoModSvr.IoChView|0",
                                              "Eingangskanal 2|Input Channel 2|41|IoModSvr.IoChView|1",
                                              "Eingangskanal 3|Input Channel 3|41|IoModSvr.IoChView|2",
                                              "Eingangskanal 4|Input Channel 4|41|IoModSvr.IoChView|3"}));
    QCOMPARE(tableLines(digital), QStringList());

    // The shipped resource table has two rows for 6853 with extension 0.
    const pugi::xml_node analog = s.device(3);
    QCOMPARE(xmlChildText(analog, "Desc1031"), QStringLiteral("4 Kanal ana. Eingang"));
    QCOMPARE(xmlChildText(analog, "Desc1033"), QStringLiteral("4 channel ana. input"));
    QCOMPARE(tableLines(analog), (QStringList{"0/65", "1/65", "2/65", "3/65"}));
    const QStringList analogViews = viewLines(analog);
    QCOMPARE(analogViews.size(), 4 * 5);
    QCOMPARE(analogViews.mid(0, 5), (QStringList{"Kanal 1|Channel 1|40||",
                                                 "  Register|Register|43|TableView|0",
                                                 "  Einstellungen|Settings|36|TD4VUx.clsUx6853|0",
                                                 "  Kalibrierung|Calibration|36|TD4VUx.clsScaPT100|0",
                                                 "  Prozessdaten|Process Data|39|IoModSvr.IoChView|0"}));
    QCOMPARE(analogViews.at(15), QStringLiteral("Kanal 4|Channel 4|40||"));

    const pugi::xml_node safety = s.device(4);
    QCOMPARE(xmlAttr(safety, "Icon"), QStringLiteral("58"));
    QCOMPARE(xmlChildText(safety, "Desc1031"), QStringLiteral("2 Kanal Safety Eingang"));
    QCOMPARE(xmlChildText(safety, "Desc1033"), QStringLiteral("2 channel Safety input"));
    QCOMPARE(tableLines(safety), (QStringList{"0/65", "1/65"}));
    QCOMPARE(viewLines(safety), (QStringList{"Kanal 1|Channel 1|40||", "  Register|Register|43|TableView|0",
                                             "  Prozessdaten|Process Data|39|IoModSvr.IoChView|0",
                                             "Kanal 2|Channel 2|40||", "  Register|Register|43|TableView|1",
                                             "  Prozessdaten|Process Data|39|IoModSvr.IoChView|1"}));

    const pugi::xml_node special = s.device(5);
    QCOMPARE(xmlChildText(special, "Desc1033"), QStringLiteral("4 channel input "));
    QCOMPARE(viewLines(special).mid(0, 3), (QStringList{"Kanal 1|Channel 1|40||",
                                                        "  Schalter|Switch|41|IoModSvr.IoChView|0",
                                                        "  Ausgang|Output|42|IoModSvr.IoChView|0"}));
    QCOMPARE(xmlChildText(s.device(7), "Desc1031"), QStringLiteral("Netzteilklemme AS-i, 2A"));
    QCOMPARE(xmlChildText(s.device(12), "Desc1031"), QStringLiteral("Endklemme"));

    QFile report(s.desc.ctx.debugFolder + QStringLiteral("/Report/Td4kFP.txt"));
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(report.readAll()),
             QStringLiteral("\r\nFirmware problem with the configuration on position 11!\r\n"));
}

void TestDescriptions::secondReadComesFromTheCache()
{
    E2eStation s;
    QVERIFY2(s.start(QStringLiteral("vn6555-mix.xml")), qPrintable(s.coupler.output()));
    const QStringList first = withoutResults(s.read());
    QVERIFY(first.contains(QStringLiteral("read 3 0 11 1")));
    QVERIFY(first.contains(QStringLiteral("read 0 127 0 128")));
    const QStringList firstDevices = s.devices();
    const QString firstText = QString::fromStdString(xmlDocumentText(s.doc));

    const QStringList second = withoutResults(s.read());
    for (const QString& r : second)
        QVERIFY2(!isBuilderRead(r), qPrintable(r));
    QCOMPARE(second.mid(0, 5), (QStringList{"read 0 0 200 55", "read 0 0 50 55", "read 0 0 55 55", "read 0 9 0 255",
                                            "read 0 0 255 1"}));
    QCOMPARE(second.size(), 5 + 11 * 2 + 7); // two naming reads per terminal, one more for each non-digital
    QCOMPARE(s.devices(), firstDevices);
    QCOMPARE(QString::fromStdString(xmlDocumentText(s.doc)), firstText);
}

void TestDescriptions::failedChannelCountIsNotCached()
{
    E2eStation s;
    // Every read of terminal 3's table 0 is refused; its extension register is 0 anyway.
    QVERIFY2(s.start(QStringLiteral("vn6555-mix.xml"), {QStringLiteral("--fail-table"), QStringLiteral("3/0:8193")}),
             qPrintable(s.coupler.output()));
    s.read();
    QCOMPARE(s.devices().at(3), QStringLiteral("3:TM6853-0000:2"));
    QCOMPARE(xmlChildText(s.device(3), "Desc1031"), QStringLiteral("0 Kanal ana. Eingang"));
    QVERIFY(!s.desc.cached(QStringLiteral("TM6853-0000")));
    QVERIFY(s.desc.cached(QStringLiteral("TM8451-0000")));

    QVERIFY2(s.start(QStringLiteral("vn6555-mix.xml")), qPrintable(s.coupler.output()));
    const QStringList again = withoutResults(s.read());
    QVERIFY(again.contains(QStringLiteral("read 3 0 11 1")));
    QVERIFY(!again.contains(QStringLiteral("read 4 0 11 1")));
    QCOMPARE(xmlChildText(s.device(3), "Desc1031"), QStringLiteral("4 Kanal ana. Eingang"));
    pugi::xml_document cached;
    QVERIFY(fLoadDeviceDescription(s.desc.cachePath(QStringLiteral("TM6853-0000")), cached));
    QCOMPARE(tableLines(cached.child("Device")), (QStringList{"0/65", "1/65", "2/65", "3/65"}));
}

QTEST_MAIN(TestDescriptions)
#include "tst_descriptions.moc"
