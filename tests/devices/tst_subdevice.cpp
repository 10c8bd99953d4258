// The sub-device of a compact box: digital modules from the identifier or the
// product number, mixed, typed and generic modules channel by channel, and how
// the coupler description takes it in.
#include "DescriptionTestUtil.h"
#include "common/ScriptedChannel.h"
#include "devices/DescriptionBuild.h"
#include "devices/modDeviceBuilder.h"
#include "devices/modSubDevice.h"

#include <QtTest>

namespace {

const QString kIo = QStringLiteral("IoModSvr.IoChView");

QStringList digitalViews(int inputs, int outputs)
{
    QStringList out;
    for (int c = 0; c < inputs; ++c)
        out << QStringLiteral("Kanal (in) %1|Channel (in) %1|40|IoModSvr.IoChView|%2").arg(c + 1).arg(c);
    for (int c = 0; c < outputs; ++c)
        out << QStringLiteral("Kanal (out) %1|Channel (out) %1|40|IoModSvr.IoChView|%2").arg(c + 1).arg(c);
    return out;
}

// The four or five lines of one module channel.
QStringList channelLines(int c, const QString& d1031, const QString& d1033, const QString& progId, bool processData)
{
    QStringList out{QStringLiteral("%1|%2|40||").arg(d1031, d1033),
                    QStringLiteral("  Register|Register|43|TableView|%1").arg(c)};
    if (!progId.isEmpty())
        out << QStringLiteral("  Einstellungen|Settings|36|%1|%2").arg(progId).arg(c);
    if (processData)
        out << QStringLiteral("  Prozessdaten|Process Data|39|IoModSvr.IoChView|%1").arg(c);
    return out;
}

QStringList tablesUpTo(int n)
{
    QStringList out;
    for (int c = 0; c < n; ++c)
        out << QStringLiteral("%1/65").arg(c);
    return out;
}

struct SubBuild {
    DescriptionEnv e;
    ScriptedChannel ch;
    pugi::xml_document doc;
    bool readFailed = false;
    pugi::xml_node device;
    QStringList views;
    QStringList tables;
    void run(int32_t moduleId, bool urCoupler)
    {
        DescriptionBuild b(e.ctx, &ch);
        b.pos = 0;
        b.compactBox = true;
        b.urCoupler = urCoupler;
        const pugi::xml_node sub = fCreateSubDeviceDescription(b, doc, moduleId);
        QVERIFY(sub);
        QCOMPARE(QString::fromUtf8(sub.name()), QStringLiteral("SubDevice"));
        device = sub.child("Device");
        views = viewLines(device);
        tables = tableLines(device);
        readFailed = b.readFailed;
    }
};

} // namespace

class TestSubDevice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void digital_data();
    void digital();
    void mixedChannel_data();
    void mixedChannel();
    void mixedModule();
    void typedChannel_data();
    void typedChannel();
    void typedModule();
    void genericModule();
    void templateValues();
    void couplerTakesItIn();
};

void TestSubDevice::digital_data()
{
    QTest::addColumn<int>("moduleId");
    QTest::addColumn<bool>("urCoupler");
    QTest::addColumn<int>("reg201"); // -1: the read fails
    QTest::addColumn<QStringList>("views");
    QTest::addColumn<QStringList>("reads");

    const QStringList r201{"read 0 0 201 1"};
    QTest::newRow("0x8803, 36xx") << 0x8803 << false << 3600 << digitalViews(4, 4) << r201;
    QTest::newRow("0x8803, 85xx") << 0x8803 << false << 8512 << digitalViews(8, 0) << r201;
    QTest::newRow("0x8803, 35xx") << 0x8803 << false << 3512 << digitalViews(0, 8) << r201;
    QTest::newRow("0x8803, 31xx") << 0x8803 << false << 3100 << digitalViews(8, 8) << r201;
    QTest::newRow("0x8803, 850 is not padded") << 0x8803 << false << 850 << digitalViews(8, 0) << r201;
    QTest::newRow("0x8803, other product") << 0x8803 << false << 6512 << QStringList() << r201;
    QTest::newRow("0x8803, failed read") << 0x8803 << false << -1 << QStringList() << r201;
    QTest::newRow("bit 15 word, bits 0-4 only") << 0x8015 << false << 0 << digitalViews(8, 8) << QStringList();
    QTest::newRow("bit 15 alone") << 0x8000 << false << 0 << QStringList() << QStringList();
    QTest::newRow("UR 0x13") << 0x13 << true << 0 << digitalViews(0, 24) << QStringList();
    QTest::newRow("UR 0x0C") << 0x0C << true << 0 << digitalViews(6, 0) << QStringList();
}

void TestSubDevice::digital()
{
    QFETCH(int, moduleId);
    QFETCH(bool, urCoupler);
    QFETCH(int, reg201);
    QFETCH(QStringList, views);
    QFETCH(QStringList, reads);
    SubBuild s;
    if (reg201 >= 0)
        s.ch.setRegister(0, 0, 201, reg201);
    else
        s.ch.failReads(0, 0, ChTimeout);
    s.run(moduleId, urCoupler);
    QCOMPARE(s.views, views);
    QCOMPARE(s.tables, QStringList());
    QCOMPARE(s.ch.callLog(), reads);
    QCOMPARE(s.readFailed, reg201 < 0);
}

void TestSubDevice::mixedChannel_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("desc1031");
    QTest::addColumn<QString>("desc1033");
    QTest::addColumn<QString>("progId");
    QTest::newRow("0 v0") << 0 << 0 << "6 Kanal dig. Ausgang & 2 Kanal dig. Eingang"
                          << "6 channel dig. Output & 2 channel dig. Input" << "";
    QTest::newRow("0 v1") << 1 << 0 << "6 Kanal dig. Ausgang & 1 Kanal dig. Eingang"
                          << "6 channel dig. Output & 1 channel dig. Input" << "";
    QTest::newRow("1 v0") << 0 << 1 << "" << "" << "";
    QTest::newRow("1 v1") << 1 << 1 << "1 Kanal ana. Eingang 20mA" << "1 channel ana. Input 20mA" << "TD4VUx.clsUx6883";
    for (int c : {2, 3, 5, 8})
        QTest::addRow("%d", c) << 0 << c << "1 Kanal ana. Eingang 20mA" << "1 channel ana. Input 20mA"
                               << "TD4VUx.clsUx6883";
    QTest::newRow("4") << 1 << 4 << "SSI Interface" << "SSI Interface" << "TD4VUx.clsUx9554";
    for (int c : {6, 9})
        QTest::addRow("%d", c) << 0 << c << "1 Kanal ana. Ausgang 20mA" << "1 channel ana. Output 20mA"
                               << "TD4VUx.clsUx1883";
    for (int c : {7, 10})
        QTest::addRow("%d", c) << 1 << c << "1 Kanal ana. Eingang 0-10V" << "1 channel ana. Input 0-10V"
                               << "TD4VUx.clsUx6853";
    QTest::newRow("11") << 0 << 11 << "" << "" << "";
    QTest::newRow("200") << 1 << 200 << "" << "" << "";
}

void TestSubDevice::mixedChannel()
{
    QFETCH(int, variant);
    QFETCH(int, channel);
    QFETCH(QString, desc1031);
    QFETCH(QString, desc1033);
    QFETCH(QString, progId);
    const ModuleChannelTexts t = fMixedModuleChannel(variant, channel);
    QCOMPARE(t.desc1031, desc1031);
    QCOMPARE(t.desc1033, desc1033);
    QCOMPARE(t.progId, progId);
}

void TestSubDevice::mixedModule()
{
    SubBuild s;
    s.ch.setRegister(1, 0, 11, 0x03FF);
    s.run(10000, true);
    QCOMPARE(s.views,
             channelLines(0, "6 Kanal dig. Ausgang & 2 Kanal dig. Eingang", "6 channel dig. Output & 2 channel dig. Input",
                          {}, false)
                 + channelLines(1, {}, {}, {}, false)
                 + channelLines(2, "1 Kanal ana. Eingang 20mA", "1 channel ana. Input 20mA", "TD4VUx.clsUx6883", false));
    QCOMPARE(s.tables, tablesUpTo(3));
    QCOMPARE(s.ch.callLog(), QStringList{"read 1 0 11 1"});

    SubBuild twelve;
    twelve.e.ctx.gRegTable0[203] = 1;
    twelve.ch.setRegister(1, 0, 11, 0x0C00);
    twelve.run(10002, true);
    QCOMPARE(twelve.tables, tablesUpTo(12));
    QCOMPARE(twelve.views.mid(twelve.views.size() - 2), channelLines(11, {}, {}, {}, false));

    SubBuild otherVariant;
    otherVariant.e.ctx.gRegTable0[203] = 2;
    otherVariant.ch.setRegister(1, 0, 11, 0x0300);
    otherVariant.run(10001, false);
    QCOMPARE(otherVariant.views, QStringList());
    QCOMPARE(otherVariant.tables, QStringList());
    QCOMPARE(otherVariant.ch.callLog(), QStringList{"read 1 0 11 1"});
    QVERIFY(!otherVariant.readFailed);

    SubBuild failed;
    failed.ch.failReads(1, 0, ChTimeout);
    failed.run(10000, true);
    QCOMPARE(failed.views, QStringList());
    QVERIFY(failed.readFailed);
}

void TestSubDevice::typedChannel_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("desc1031");
    QTest::addColumn<QString>("progId");
    QTest::newRow("6588") << 6588 << "1 Kanal ana. Eingang 20mA" << "TD4VUx.clsUx6883";
    QTest::newRow("6888") << 6888 << "1 Kanal ana. Eingang 20mA" << "TD4VUx.clsUx6883";
    QTest::newRow("6528") << 6528 << "1 Kanal ana. Eingang +-10V" << "TD4VUx.clsUx6853";
    QTest::newRow("6358") << 6358 << "1 Kanal ana. Eingang PT100" << "TD4VUx.clsScaPT100";
    QTest::newRow("1888") << 1888 << "1 Kanal ana. Ausgang 20mA" << "TD4VUx.clsUx1883";
    for (int t : {530, 531, 532, 533, 535, 536, 537, 538, 539})
        QTest::addRow("%d", t) << t << "digitale Eingänge/Ausgänge" << "";
    QTest::newRow("534 is absent") << 534 << "" << "";
    QTest::newRow("0") << 0 << "" << "";
    QTest::newRow("6853") << 6853 << "" << "";
}

void TestSubDevice::typedChannel()
{
    QFETCH(int, type);
    QFETCH(QString, desc1031);
    QFETCH(QString, progId);
    const ModuleChannelTexts t = fTypedModuleChannel(type);
    QCOMPARE(t.desc1031, desc1031);
    QCOMPARE(t.progId, progId);
    if (type == 6358)
        QCOMPARE(t.desc1033, QStringLiteral("1 channel ana. Input PT100"));
    if (type == 530)
        QCOMPARE(t.desc1033, QStringLiteral("digital Inputs/Outputs"));
}

void TestSubDevice::typedModule()
{
    SubBuild s;
    for (int c = 0; c < 11; ++c)
        s.ch.setRegister(1, c, 8, c == 3 ? 6358 : 0);
    s.run(10017, true);
    QCOMPARE(s.tables, tablesUpTo(11));
    QStringList expected;
    for (int c = 0; c < 11; ++c) {
        expected += c == 3 ? channelLines(3, "1 Kanal ana. Eingang PT100", "1 channel ana. Input PT100",
                                          "TD4VUx.clsScaPT100", false)
                           : channelLines(c, {}, {}, {}, false);
    }
    QCOMPARE(s.views, expected);
    QStringList reads;
    for (int c = 0; c < 11; ++c)
        reads << QStringLiteral("read 1 %1 8 1").arg(c);
    QCOMPARE(s.ch.callLog(), reads);
    QVERIFY(!s.readFailed);

    SubBuild fewer; // "no such table" is an answer: a module with fewer tables, cached
    fewer.run(10017, true);
    QCOMPARE(fewer.tables, tablesUpTo(11));
    QCOMPARE(fewer.views.size(), 22);
    QVERIFY(!fewer.readFailed);

    SubBuild failed; // no answer at all: still eleven channels, not cached
    failed.ch.failReads(1, -1, ChTimeout);
    failed.run(10017, true);
    QCOMPARE(failed.tables, tablesUpTo(11));
    QVERIFY(failed.readFailed);
}

void TestSubDevice::genericModule()
{
    SubBuild s;
    s.ch.setRegister(1, 0, 11, 0x0201);
    s.run(6853, true);
    QCOMPARE(s.views, channelLines(0, "Kanal 1", "Channel 1", "TD4VUx.clsUx6853", true)
                          + channelLines(1, "Kanal 2", "Channel 2", "TD4VUx.clsUx6853", true));
    QCOMPARE(s.tables, tablesUpTo(2));

    SubBuild prefix;
    prefix.ch.setRegister(1, 0, 11, 0x0100);
    prefix.run(6301, false);
    QCOMPARE(prefix.views, channelLines(0, "Kanal 1", "Channel 1", "TD4VUx.clsUx63xx", true));

    SubBuild urWord; // 0x8803 on a UR coupler is no digital word
    urWord.ch.setRegister(1, 0, 11, 0x0100);
    urWord.run(0x8803, true);
    QCOMPARE(urWord.views, channelLines(0, "Kanal 1", "Channel 1", {}, true));
    QCOMPARE(urWord.ch.callLog(), QStringList{"read 1 0 11 1"});

    SubBuild none; // no module reported, no channels
    none.ch.setRegister(1, 0, 11, 0);
    none.run(0, true);
    QCOMPARE(none.views, QStringList());
    QCOMPARE(none.tables, QStringList());
}

void TestSubDevice::templateValues()
{
    SubBuild s;
    s.run(0x8000, false);
    QCOMPARE(xmlAttr(s.device, "Name"), QString());
    QCOMPARE(xmlAttr(s.device, "Pos"), QString());
    QCOMPARE(xmlChildText(s.device, "NameCompID1"), QStringLiteral("Unknown"));
    QCOMPARE(xmlChildText(s.device, "SelCompID"), QStringLiteral("0"));
    QCOMPARE(xmlChildText(s.device, "Desc1031"), QStringLiteral("Unknown Device"));
    QVERIFY(!s.device.child("CfgTool").child("TextInfos"));
    QCOMPARE(int(s.doc.child("SubDevice").select_nodes("Device").size()), 1);
}

void TestSubDevice::couplerTakesItIn()
{
    DescriptionEnv e;
    ScriptedChannel ch;
    e.ctx.gRegTable0[246] = 0x0120;
    e.ctx.gRegTable0[248] = 48847;
    e.ctx.gTermTable[0] = 1;
    e.ctx.gTermTable[1] = 10000;
    ch.setRegister(0, 127, 127, 128);
    ch.setRegister(0, 127, 0, 256);
    ch.setRegister(1, 0, 11, 0x0100);
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&ch, QStringLiteral("UR1234-C685-0000"), 0, compactBox, true, e.ctx);
    QVERIFY(compactBox);
    QVERIFY(built.saved);
    const pugi::xml_node device = built.doc.child("Device");
    QCOMPARE(QString::fromUtf8(device.last_child().name()), QStringLiteral("SubDevice"));
    const pugi::xml_node sub = device.last_child().child("Device");
    QCOMPARE(xmlAttr(sub, "Name"), QString());
    QCOMPARE(xmlAttr(sub, "Pos"), QStringLiteral("1"));
    QCOMPARE(xmlAttr(sub, "Icon"), QStringLiteral("20"));
    QCOMPARE(xmlChildText(sub, "NameCompID1"), QString());
    QCOMPARE(xmlChildText(sub, "NameCompID2"), QString());
    QCOMPARE(xmlChildText(sub, "NameCompID3"), QString());
    QCOMPARE(xmlChildText(sub, "Desc1031"), QStringLiteral("Signal-Kanäle"));
    QCOMPARE(xmlChildText(sub, "Desc1033"), QStringLiteral("Signal-Channels"));
    QCOMPARE(viewLines(sub), channelLines(0, "6 Kanal dig. Ausgang & 2 Kanal dig. Eingang",
                                          "6 channel dig. Output & 2 channel dig. Input", {}, false));

    // The file keeps it as written.
    pugi::xml_document file;
    QVERIFY(fLoadDeviceDescription(e.cachePath(QStringLiteral("UR1234-C685-0000")), file));
    QCOMPARE(xmlChildText(file.child("Device").child("SubDevice").child("Device"), "Desc1031"),
             QStringLiteral("Signal-Kanäle"));

    // A failed module read: used, not cached.
    DescriptionEnv e2;
    ScriptedChannel ch2;
    e2.ctx = e.ctx;
    ch2.setRegister(0, 127, 127, 128);
    ch2.failReads(1, 0, ChTimeout);
    built = fCreateDeviceDescription(&ch2, QStringLiteral("UR1234-C685-0000"), 0, compactBox, true, e2.ctx);
    QVERIFY(built.readFailed);
    QVERIFY(!e2.cached(QStringLiteral("UR1234-C685-0000")));
    QVERIFY(built.doc.child("Device").child("SubDevice"));
}

QTEST_MAIN(TestSubDevice)
#include "tst_subdevice.moc"
