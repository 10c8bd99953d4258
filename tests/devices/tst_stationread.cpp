// Station reading over a scripted channel: the position loop, the cache, the
// firmware-problem report and the descriptions that must not be cached.
#include "DescriptionTestUtil.h"
#include "common/ScriptedChannel.h"
#include "devices/modStationRead.h"

#include <QtTest>
#include <functional>

namespace {

// A coupler with the family word: VN6555-5555, SelCompID 1, tables 0, 9 and 127.
void setCoupler(ScriptedChannel& ch, int32_t reg246, int32_t type, const QVector<int32_t>& terminals)
{
    QVector<int32_t> t0(256, 0);
    t0[245] = 32;
    t0[246] = reg246;
    t0[247] = 0;
    t0[248] = 48847;
    t0[250] = 5555;
    t0[201] = 3600;
    t0[202] = 685;
    t0[255] = 300;
    ch.setTable(0, 0, t0);
    QVector<int32_t> t9(256, 0);
    t9[0] = type;
    for (int i = 0; i < terminals.size(); ++i)
        t9[i + 1] = terminals[i];
    ch.setTable(0, 9, t9);
    QVector<int32_t> dir(128, 0);
    dir[0] = 256;
    dir[9] = 256;
    dir[127] = 128;
    ch.setTable(0, 127, dir);
}

// Table 0 of a register-based terminal: R8 its own id, R11 the channel count word,
// R29 the extension, R30 the status.
void setTerminal(ScriptedChannel& ch, int pos, int32_t id, int32_t reg11, int32_t ext = 0, int32_t reg8 = -1,
                 int32_t reg30 = 1)
{
    QVector<int32_t> t0(64, 0);
    t0[8] = reg8 < 0 ? id : reg8;
    t0[11] = reg11;
    t0[29] = ext;
    t0[30] = reg30;
    ch.setTable(pos, 0, t0);
}

struct StationRead {
    pugi::xml_document doc;
    pugi::xml_node station;
    QStringList devices() const { return stationDevices(station); }
    pugi::xml_node device(int pos) const { return stationDevice(station, pos); }
};

const QStringList kIdentification = {"read 0 0 200 55", "read 0 0 50 55", "read 0 0 55 55", "read 0 9 0 255",
                                     "read 0 0 255 1"};

QString readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromUtf8(f.readAll());
}

} // namespace

class TestStationRead : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void standardStation();
    void secondReadUsesTheCache();
    void endTerminal_data();
    void endTerminal();
    void compactBoxStartsAtTwo();
    void firmwareProblems();
    void rebuiltNames();
    void nameSharedByStationKinds_data();
    void nameSharedByStationKinds();
    void failedChannelCountIsNotCached();
    void deadLinkEndsTheRead_data();
    void deadLinkEndsTheRead();
    void missingResourceSaidOncePerRead();
    void fullStation();
    void unsavableCache();
    void deleteDeviceFiles();
};

void TestStationRead::standardStation()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0001, 6555, {0x8401, 0x8202, 6853, 8451, 0});
    setTerminal(ch, 3, 6853, 0x0402);
    setTerminal(ch, 4, 8451, 0x0200, 65535);

    StationRead r;
    fReadStationFromDevice(r.doc, r.station, e.ctx);
    QCOMPARE(r.devices(), (QStringList{"0:VN6555-5555:1", "1:TM8xx4-5555:1", "2:TM3xx2-5555:1", "3:TM6853-0000:1",
                                       "4:TM8451-0000:1", "5:TM4585-5555:1"}));
    QCOMPARE(xmlAttr(r.station, "Name"), QStringLiteral("Station X"));
    QCOMPARE(xmlChildText(r.station.child("Comment"), "CompanyId"), QStringLiteral("0"));

    QStringList expected = kIdentification;
    expected << "read 0 127 0 128";                             // coupler description
    expected << "read 1 0 8 2" << "read 1 0 30 2";              // digital: no extension read
    expected << "read 2 0 8 2" << "read 2 0 30 2";
    expected << "read 3 0 29 2" << "read 3 0 8 2" << "read 3 0 30 2" << "read 3 0 11 1";
    expected << "read 4 0 29 2" << "read 4 0 8 2" << "read 4 0 30 2" << "read 4 0 11 1";
    QCOMPARE(ch.callLog(), expected); // the end terminal gets no reads

    const pugi::xml_node safety = r.device(4);
    QCOMPARE(xmlChildText(safety, "Desc1031"), QStringLiteral("2 Kanal Safety Eingang"));
    QCOMPARE(xmlAttr(safety, "Icon"), QStringLiteral("58"));
    QCOMPARE(tableLines(safety), (QStringList{"0/65", "1/65"}));
    QCOMPARE(xmlChildText(r.device(5), "Desc1033"), QStringLiteral("End terminal"));

    QCOMPARE(e.cachedNames(), (QStringList{"TM3xx2-5555", "TM4585-5555", "TM6853-0000", "TM8451-0000", "TM8xx4-5555",
                                           "VN6555-5555"}));
    pugi::xml_document debug;
    QVERIFY(loadXmlFile(debug, e.ctx.debugFolder + QStringLiteral("/test2.xml")));
    QCOMPARE(int(debug.child("Station").child("Devices").select_nodes("Device").size()), 6);
    QCOMPARE(readFile(e.ctx.debugFolder + QStringLiteral("/Report/Td4kFP.txt")), QStringLiteral("\r\n"));
    app().gObjDevChannel = nullptr;
}

void TestStationRead::secondReadUsesTheCache()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0001, 6555, {0x8401, 6853, 0});
    setTerminal(ch, 2, 6853, 0x0402);
    StationRead first;
    fReadStationFromDevice(first.doc, first.station, e.ctx);
    ch.calls.clear();

    StationRead second;
    fReadStationFromDevice(second.doc, second.station, e.ctx);
    const QStringList naming = {"read 1 0 8 2", "read 1 0 30 2", "read 2 0 29 2", "read 2 0 8 2", "read 2 0 30 2"};
    QCOMPARE(ch.callLog(), kIdentification + naming);
    QCOMPARE(xmlDocumentText(second.doc), xmlDocumentText(first.doc));
    app().gObjDevChannel = nullptr;
}

void TestStationRead::endTerminal_data()
{
    QTest::addColumn<int>("reg246");
    QTest::addColumn<QVector<int32_t>>("terminals");
    QTest::addColumn<QStringList>("devices");

    QTest::newRow("end at 0") << 1 << QVector<int32_t>{0x8401, 0} << QStringList{"0:VN6555-5555:1", "1:TM8xx4-5555:1",
                                                                                  "2:TM4585-5555:1"};
    QTest::newRow("end at 65535") << 1 << QVector<int32_t>{65535, 0x8401}
                                  << QStringList{"0:VN6555-5555:1", "1:TM4585-5555:1"};
    QTest::newRow("after 7285") << 1 << QVector<int32_t>{7285, 0}
                                << QStringList{"0:VN6555-5555:1", "1:TM7285-0000:1"};
    QTest::newRow("after 7558") << 1 << QVector<int32_t>{7558, 0}
                                << QStringList{"0:VN6555-5555:1", "1:TM7558-0000:1"};
    QTest::newRow("extension station") << 1056 << QVector<int32_t>{0x04, 0}
                                        << QStringList{"0:HQ8855-0003:1", "1:UG85xx-5555:1"};
}

void TestStationRead::endTerminal()
{
    QFETCH(int, reg246);
    QFETCH(QVector<int32_t>, terminals);
    QFETCH(QStringList, devices);
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, reg246, reg246 == 1056 ? 8855 : 6555, terminals);
    setTerminal(ch, 1, terminals[0], 0x0100);
    StationRead r;
    fReadStationFromDevice(r.doc, r.station, e.ctx);
    QCOMPARE(r.devices(), devices);
    app().gObjDevChannel = nullptr;
}

void TestStationRead::compactBoxStartsAtTwo()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0120, 1, {0x8401, 0x04, 6853, 0});
    setTerminal(ch, 1, 0, 0x0000);
    setTerminal(ch, 3, 6853, 0x0100, 2);
    StationRead r;
    fReadStationFromDevice(r.doc, r.station, e.ctx);
    QCOMPARE(r.devices(), (QStringList{"0:UR3600-C685-0000:1", "2:UG85xx-5555:1", "3:UG6853-0002:1"}));
    for (const ScriptedChannel::Call& c : ch.calls)
        QVERIFY2(!(c.pos == 1 && (c.first == 8 || c.first == 29 || c.first == 30)), "position 1 is not named");
    app().gObjDevChannel = nullptr;
}

void TestStationRead::firmwareProblems()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    // 2: reports another id with status 0; 3: every read is refused (judged by nothing);
    // 4: status 0 but its own id; 5: another id, status 1; 1: digital, never judged.
    setCoupler(ch, 0x0001, 6555, {0x8401, 6853, 6883, 1883, 9554, 0});
    QVector<int32_t> digital(64, 0);
    ch.setTable(1, 0, digital);
    setTerminal(ch, 2, 6853, 0x0100, 0, 1234, 0);
    ch.failReads(3, 0, ChNoSuchTable);
    setTerminal(ch, 4, 1883, 0x0100, 0, 1883, 0);
    setTerminal(ch, 5, 9554, 0x0100, 0, 1, 1);
    int32_t status = 0;

    app().gObjLocale->SetLocale(9, 1, status);
    StationRead english;
    fReadStationFromDevice(english.doc, english.station, e.ctx);
    QCOMPARE(readFile(e.ctx.debugFolder + QStringLiteral("/Report/Td4kFP.txt")),
             QStringLiteral("\r\nFirmware problem with the configuration on position 2!\r\n"));

    app().gObjLocale->SetLocale(7, 1, status);
    StationRead german;
    fReadStationFromDevice(german.doc, german.station, e.ctx);
    QCOMPARE(readFile(e.ctx.debugFolder + QStringLiteral("/Report/Td4kFP.txt")),
             QStringLiteral("\r\nFirmware Probleme mit dieser Konfiguration an der Position 2!\r\n"));
    QCOMPARE(german.devices().size(), 7);
    app().gObjDevChannel = nullptr;
}

void TestStationRead::rebuiltNames()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    // 1 an ordinary name, loaded from the cache; 2 a TM7285, rebuilt at every read.
    setCoupler(ch, 0x0001, 6555, {0x8401, 7285, 0});
    setTerminal(ch, 2, 7285, 0x0100);
    StationRead first;
    fReadStationFromDevice(first.doc, first.station, e.ctx);

    // Mark the cached files: a loaded file keeps the mark, a rebuilt one loses it.
    for (const QString& name : {QStringLiteral("TM8xx4-5555"), QStringLiteral("TM7285-0000")}) {
        pugi::xml_document doc;
        QVERIFY(fLoadDeviceDescription(e.cachePath(name), doc));
        doc.child("Device").child("Desc1033").text().set("stale");
        QVERIFY(saveXmlDocument(doc, e.cachePath(name)));
    }
    ch.calls.clear();
    StationRead second;
    fReadStationFromDevice(second.doc, second.station, e.ctx);
    QCOMPARE(xmlChildText(second.device(1), "Desc1033"), QStringLiteral("stale"));
    QCOMPARE(xmlChildText(second.device(2), "Desc1033"), QStringLiteral("1 channel intelligent"));
    QVERIFY(ch.callLog().contains(QStringLiteral("read 2 0 11 1")));

    // The generic names of a box station are rebuilt in the same way.
    DescriptionEnv box;
    ScriptedChannel boxCh;
    app().gObjDevChannel = &boxCh;
    setCoupler(boxCh, 1056, 8855, {0x04, 0});
    StationRead b1;
    fReadStationFromDevice(b1.doc, b1.station, box.ctx);
    pugi::xml_document doc;
    QVERIFY(fLoadDeviceDescription(box.cachePath(QStringLiteral("UG85xx-5555")), doc));
    doc.child("Device").child("CfgTool").child("Views").remove_children();
    QVERIFY(saveXmlDocument(doc, box.cachePath(QStringLiteral("UG85xx-5555"))));
    QVector<int32_t> t9 = boxCh.table(0, 9);
    t9[1] = 0x08; // four inputs now, under the same name
    boxCh.setTable(0, 9, t9);
    StationRead b2;
    fReadStationFromDevice(b2.doc, b2.station, box.ctx);
    QCOMPARE(xmlChildText(b2.device(1), "Desc1031"), QStringLiteral("4 Kanal dig. Eingang"));
    QCOMPARE(viewLines(b2.device(1)).size(), 4);

    // So are the register-based box names: an extension station gives UG6853-0000 the
    // resource table's views, a compact box its class view only, whichever came first.
    const auto resourceViews = [&](int32_t reg246, int32_t type, QVector<int32_t> terminals, int pos) {
        ScriptedChannel ch;
        setCoupler(ch, reg246, type, terminals);
        setTerminal(ch, pos, 6853, 0x0100);
        StationRead r;
        fReadStationFromDevice(r.doc, r.station, box.ctx, &ch);
        return viewLines(r.device(pos)).filter(QStringLiteral("Kalibrierung")).size();
    };
    QCOMPARE(resourceViews(0x0002, 6555, {0x04, 6853, 0}, 2), 0);
    QCOMPARE(resourceViews(1056, 8855, {6853, 0}, 1), 1);
    QCOMPARE(resourceViews(0x0002, 6555, {0x04, 6853, 0}, 2), 0);
    app().gObjDevChannel = nullptr;
}

void TestStationRead::nameSharedByStationKinds_data()
{
    QTest::addColumn<bool>("extensionFirst");
    QTest::newRow("extension station first") << true;
    QTest::newRow("standard station first") << false;
}

// TM3383-5555 is 4 in / 4 out on a standard station but 4 in with 2, 4 or 6 outputs
// on an extension station; one cache serves both stations.
void TestStationRead::nameSharedByStationKinds()
{
    QFETCH(bool, extensionFirst);
    DescriptionEnv e;
    auto outputViews = [](const pugi::xml_node& device) {
        return int(viewLines(device).filter(QStringLiteral("Ausgangskanal")).size());
    };
    auto readExtension = [&] {
        ScriptedChannel ch;
        app().gObjDevChannel = &ch;
        setCoupler(ch, 1056, 8855, {0x09, 0x0B, 0x0A, 0});
        StationRead r;
        fReadStationFromDevice(r.doc, r.station, e.ctx);
        QCOMPARE(r.devices(), (QStringList{"0:HQ8855-0003:1", "1:TM3383-5555:1", "2:TM3383-5555:1",
                                           "3:TM3383-5555:1"}));
        QCOMPARE(outputViews(r.device(1)), 2);
        QCOMPARE(outputViews(r.device(2)), 6);
        QCOMPARE(outputViews(r.device(3)), 4);
        for (int pos = 1; pos <= 3; ++pos)
            QCOMPARE(viewLines(r.device(pos)).filter(QStringLiteral("Eingangskanal")).size(), 4);
        app().gObjDevChannel = nullptr;
    };
    auto readStandard = [&] {
        ScriptedChannel ch;
        app().gObjDevChannel = &ch;
        setCoupler(ch, 0x0001, 6555, {0x8403, 0});
        StationRead r;
        fReadStationFromDevice(r.doc, r.station, e.ctx);
        QCOMPARE(r.devices(), (QStringList{"0:VN6555-5555:1", "1:TM3383-5555:1", "2:TM4585-5555:1"}));
        QCOMPARE(xmlChildText(r.device(1), "Desc1031"), QStringLiteral("4 Kanal dig. Ein/Ausgang"));
        QCOMPARE(viewLines(r.device(1)).filter(QStringLiteral("Eingangskanal")).size(), 4);
        QCOMPARE(outputViews(r.device(1)), 4);
        app().gObjDevChannel = nullptr;
    };
    // A failed comparison inside a read ends only that lambda.
    const QList<std::function<void()>> order = extensionFirst
        ? QList<std::function<void()>>{readExtension, readStandard}
        : QList<std::function<void()>>{readStandard, readExtension, readStandard};
    for (const std::function<void()>& read : order) {
        read();
        if (QTest::currentTestFailed())
            return;
    }
}

void TestStationRead::failedChannelCountIsNotCached()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0001, 6555, {0x8401, 6853, 0});
    setTerminal(ch, 2, 6853, 0x0402);
    ch.failReads(2, 0, 0x2001); // refused, not "no such table"
    StationRead first;
    QCOMPARE(fReadStationFromDevice(first.doc, first.station, e.ctx), 0);
    QCOMPARE(first.devices().size(), 4); // used for this station from memory
    QCOMPARE(xmlChildText(first.device(2), "Desc1031"), QStringLiteral("0 Kanal ana. Eingang"));
    QVERIFY(!e.cached(QStringLiteral("TM6853-0000")));
    QVERIFY(e.cached(QStringLiteral("TM8xx4-5555")));
    const QStringList lines = e.env.log().Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2); // the extension and the channel count, each with its code
    QVERIFY(lines[0].startsWith(QStringLiteral("Position 2: das Gerät hat das Lesen der Erweiterung")));
    QVERIFY(lines[1].contains(QStringLiteral("Register 11 mit Code 8193")));

    ch.clearFailures();
    StationRead second;
    fReadStationFromDevice(second.doc, second.station, e.ctx);
    QCOMPARE(xmlChildText(second.device(2), "Desc1031"), QStringLiteral("4 Kanal ana. Eingang"));
    pugi::xml_document cached;
    QVERIFY(fLoadDeviceDescription(e.cachePath(QStringLiteral("TM6853-0000")), cached));
    QCOMPARE(tableLines(cached.child("Device")).size(), 4);
    app().gObjDevChannel = nullptr;
}

void TestStationRead::deadLinkEndsTheRead_data()
{
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("lastRequest");
    QTest::newRow("terminal identity") << 2 << 0 << "read 2 0 29 2";
    QTest::newRow("table directory") << 0 << 127 << "read 0 127 0 128";
}

void TestStationRead::deadLinkEndsTheRead()
{
    QFETCH(int, pos);
    QFETCH(int, table);
    QFETCH(QString, lastRequest);
    DescriptionEnv e;
    ScriptedChannel ch;
    setCoupler(ch, 0x0001, 6555, {0x8401, 6853, 0x8401, 0});
    setTerminal(ch, 2, 6853, 0x0402);
    ch.failReads(pos, table, ChTimeout);
    StationRead r;
    QCOMPARE(fReadStationFromDevice(r.doc, r.station, e.ctx, &ch), int32_t(ChTimeout));
    // Not one request more over the dead link, no station, nothing cached or written.
    QCOMPARE(ch.callLog().last(), lastRequest);
    QVERIFY(!r.station);
    QCOMPARE(e.ctx.readFailure.pos, pos);
    QCOMPARE(e.ctx.readFailure.table, table);
    QCOMPARE(e.cachedNames(), QStringList());
    QVERIFY(!QFile::exists(e.ctx.debugFolder + QStringLiteral("/test2.xml")));
}

void TestStationRead::missingResourceSaidOncePerRead()
{
    DescriptionEnv e;
    e.ctx.terminalResourceFile = e.env.tempPath() + QStringLiteral("/missing.xml");
    ScriptedChannel ch;
    setCoupler(ch, 0x0001, 6555, {6853, 0x8401, 6853, 8451, 0});
    setTerminal(ch, 1, 6853, 0x0402);
    setTerminal(ch, 3, 6853, 0x0402, 7);
    setTerminal(ch, 4, 8451, 0x0200);
    for (int read = 0; read < 2; ++read) {
        StationRead r;
        QCOMPARE(fReadStationFromDevice(r.doc, r.station, e.ctx, &ch), 0);
        QCOMPARE(r.devices().size(), 6);
        // Once per read, not per channel or terminal; what was built without it is not cached.
        QCOMPARE(e.env.dialogs().messages.size(), read + 1);
        QCOMPARE(e.cachedNames(), (QStringList{"TM4585-5555", "TM8xx4-5555", "VN6555-5555"}));
    }
}

void TestStationRead::fullStation()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0001, 6555, QVector<int32_t>(254, 0x8401));
    StationRead r;
    fReadStationFromDevice(r.doc, r.station, e.ctx);
    const QStringList devices = r.devices();
    QCOMPARE(devices.size(), 256);
    QCOMPARE(devices.at(254), QStringLiteral("254:TM8xx4-5555:1"));
    QCOMPARE(devices.last(), QStringLiteral("255:TM4585-5555:1"));
    app().gObjDevChannel = nullptr;
}

void TestStationRead::unsavableCache()
{
    DescriptionEnv e;
    // The resource folder is a file: no Devices folder can be made.
    const QString blocked = e.env.tempPath() + QStringLiteral("/blocked");
    QFile(blocked).open(QIODevice::WriteOnly);
    gCommon().setPathFolderResCommon(blocked);
    ScriptedChannel ch;
    app().gObjDevChannel = &ch;
    setCoupler(ch, 0x0001, 6555, {0x8401, 0x8401, 0});
    StationRead r;
    fReadStationFromDevice(r.doc, r.station, e.ctx);
    QCOMPARE(r.devices(), (QStringList{"0:VN6555-5555:1", "1:TM8xx4-5555:1", "2:TM8xx4-5555:1", "3:TM4585-5555:1"}));
    QCOMPARE(viewLines(r.device(2)).size(), 4);
    // One line per description that could not be saved, not one per position.
    QCOMPARE(e.env.log().Text().count(QStringLiteral("\r\n")), 3);
    app().gObjDevChannel = nullptr;
}

void TestStationRead::deleteDeviceFiles()
{
    DescriptionEnv e;
    for (const char* name : {"A.xml", "B.xml", "keep.txt"}) {
        QFile f(fDeviceDescriptionFolder() + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(fDeleteDeviceFiles(), 0);
    QCOMPARE(QDir(fDeviceDescriptionFolder()).entryList(QDir::Files), QStringList{"keep.txt"});
}

QTEST_MAIN(TestStationRead)
#include "tst_stationread.moc"
