// Terminal descriptions: the header every description gets, digital and special
// terminals from the identifier, register-based terminals channel by channel.
#include "DescriptionTestUtil.h"
#include "common/ScriptedChannel.h"
#include "devices/modDeviceBuilder.h"
#include "devices/modSettingsClass.h"

#include <QtTest>

namespace {

const QString kIo = QStringLiteral("IoModSvr.IoChView");

QString row(const QString& d1031, const QString& d1033, const QString& icon, const QString& progId,
            const QString& userData, int depth = 0)
{
    return QString(depth * 2, QLatin1Char(' ')) + QStringList{d1031, d1033, icon, progId, userData}.join(QLatin1Char('|'));
}

QStringList inputViews(int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << row(QStringLiteral("Eingangskanal %1").arg(i + 1), QStringLiteral("Input Channel %1").arg(i + 1),
                   QStringLiteral("41"), kIo, QString::number(i));
    return out;
}

QStringList outputViews(int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << row(QStringLiteral("Ausgangskanal %1").arg(i + 1), QStringLiteral("Output Channel %1").arg(i + 1),
                   QStringLiteral("42"), kIo, QString::number(i));
    return out;
}

QStringList specialViews(int n, const QString& first1031, const QString& first1033)
{
    QStringList out;
    for (int i = 0; i < n; ++i) {
        out << row(QStringLiteral("Kanal %1").arg(i + 1), QStringLiteral("Channel %1").arg(i + 1), QStringLiteral("40"),
                   {}, {});
        out << row(first1031, first1033, QStringLiteral("41"), kIo, QString::number(i), 1);
        out << row(QStringLiteral("Ausgang"), QStringLiteral("Output"), QStringLiteral("42"), kIo, QString::number(i), 1);
    }
    return out;
}

// Register 246 of the coupler for each station kind.
int32_t reg246For(int station)
{
    switch (station) {
    case 1: return 0x0120; // compact box (UR family)
    case 2: return 1056;   // extension station
    default: return 0x0001;
    }
}

} // namespace

class TestTerminalDesc : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void header();
    void unknownDevice();
    void digital_data();
    void digital();
    void registerTexts_data();
    void registerTexts();
    void registerChannels();
    void controllerClasses_data();
    void controllerClasses();
    void classList_data();
    void classList();
    void resourceRows();
    void failedChannelCountIsNotCached();
};

void TestTerminalDesc::header()
{
    DescriptionEnv e;
    clsRefList entry;
    entry.setNameCompID1(QStringLiteral("TM8XX4-5555"));
    entry.setNameCompID2(QStringLiteral("PW-DI4"));
    entry.setNameCompID3(QString());
    app().gRefList.add(entry);
    ScriptedChannel channel;
    e.ctx.gTermTable[3] = 0x8401;
    bool compactBox = true;
    BuiltDescription built =
        fCreateDeviceDescription(&channel, QStringLiteral("TM8xx4-5555"), 3, compactBox, false, e.ctx);
    QVERIFY(!compactBox); // the controller flag is worked out afresh for every call
    QVERIFY(built.saved);
    QVERIFY(!built.readFailed);
    QCOMPARE(channel.readCount(), 0); // digital terminals are described from the identifier alone

    pugi::xml_document file;
    QVERIFY(fLoadDeviceDescription(e.cachePath(QStringLiteral("TM8xx4-5555")), file));
    const pugi::xml_node device = file.child("Device");
    QCOMPARE(xmlAttr(device, "Name"), QStringLiteral("TM8xx4-5555"));
    QCOMPARE(xmlAttr(device, "Pos"), QString());
    QCOMPARE(xmlAttr(device, "Icon"), QStringLiteral("5"));
    QCOMPARE(xmlChildText(device, "NameCompID1"), QStringLiteral("TM8xx4-5555"));
    QCOMPARE(xmlChildText(device, "NameCompID2"), QStringLiteral("PW-DI4"));
    QCOMPARE(xmlChildText(device, "NameCompID3"), QString()); // an empty entry is no fallback
    QCOMPARE(xmlChildText(device, "SelCompID"), QStringLiteral("0"));
    QCOMPARE(xmlChildText(device, "Desc1031"), QStringLiteral("4 Kanal dig. Eingang"));
    QCOMPARE(xmlChildText(device, "Desc1033"), QStringLiteral("4 channel dig. input"));
    QVERIFY(device.child("CfgTool").child("TextInfos"));
    QCOMPARE(viewLines(device), inputViews(4));
    QCOMPARE(tableLines(device), QStringList());
}

void TestTerminalDesc::unknownDevice()
{
    DescriptionEnv e;
    ScriptedChannel channel;
    e.ctx.gTermTable[0] = 0;
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("Unknown"), 0, compactBox, false, e.ctx);
    const pugi::xml_node device = built.doc.child("Device");
    QCOMPARE(xmlAttr(device, "Icon"), QStringLiteral("4"));
    QCOMPARE(xmlChildText(device, "NameCompID1"), QStringLiteral("Unknown"));
    QCOMPARE(xmlChildText(device, "NameCompID2"), QStringLiteral("Pellwitz: Unknown"));
    QCOMPARE(xmlChildText(device, "NameCompID3"), QStringLiteral("I/O-Planwerk: Unknown"));
    QCOMPARE(xmlChildText(device, "Desc1031"), QStringLiteral("Unknow"));
    QCOMPARE(xmlChildText(device, "Desc1033"), QStringLiteral("Unknow"));
}

void TestTerminalDesc::digital_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("station");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("desc1031");
    QTest::addColumn<QString>("desc1033");
    QTest::addColumn<QStringList>("views");

    QTest::newRow("4 inputs") << 0x8401 << 0 << "TM8xx4-5555" << "4 Kanal dig. Eingang" << "4 channel dig. input"
                              << inputViews(4);
    QTest::newRow("2 outputs") << 0x8202 << 0 << "TM3xx2-5555" << "2 Kanal dig. Ausgang" << "2 channel dig. output"
                               << outputViews(2);
    QTest::newRow("2 in and out") << 0x8203 << 0 << "TM3218-5555" << "2 Kanal dig. Ein/Ausgang"
                                  << "2 channel dig. in/output" << inputViews(2) + outputViews(2);
    QTest::newRow("bit 2 with inputs") << 0x8405 << 0 << "TM8xx4-5555" << "4 Kanal dig. Ein/Ausgang"
                                       << "4 channel dig. in/output" << inputViews(4);
    QTest::newRow("bit 2 with outputs takes the input count")
        << 0x8406 << 0 << "TM3xx4-5555" << "0 Kanal dig. Ein/Ausgang" << "0 channel dig. in/output" << outputViews(4);
    QTest::newRow("controller layout 0x15") << 0x15 << 1 << "UG31xx-5555" << "8 Kanal dig. Ein/Ausgang"
                                            << "8 channel dig. in/output" << inputViews(8) + outputViews(8);
    QTest::newRow("extension station 0x01") << 0x01 << 2 << "UG35xx-5555" << "2 Kanal dig. Ausgang"
                                            << "2 channel dig. output" << outputViews(2);
    QTest::newRow("TW8211") << 0x8400 << 0 << "TW8211-5555" << "4 Kanal Eingang" << "4 channel input "
                            << specialViews(4, QStringLiteral("Schalter"), QStringLiteral("Switch"));
    QTest::newRow("TW8211 in the controller layout has no width")
        << 0x10 << 1 << "TW8211-5555" << "4 Kanal Eingang" << "4 channel input " << QStringList();
    QTest::newRow("TW3213") << 0x8200 << 0 << "TW3213-5555" << "2 Kanal Power Ausgang Relais"
                            << "2 Channel Power Output Relay"
                            << specialViews(2, QStringLiteral("Status"), QStringLiteral("State"));
    QTest::newRow("TM8794") << 0x8800 << 0 << "TM8794-5555" << "8 Kanal Eingang/Ausgang" << "8 Channel Input/Output"
                            << specialViews(8, QStringLiteral("Eingang"), QStringLiteral("Input"));
    QTest::newRow("end terminal, digital identifier") << 0x8401 << 0 << "TM4585-5555" << "Endklemme"
                                                      << "End terminal" << QStringList();
    QTest::newRow("end terminal, identifier 0") << 0 << 0 << "TM4585-5555" << "Endklemme" << "End terminal"
                                                << QStringList();
    QTest::newRow("AS-i supply") << 4937 << 0 << "TM4937-5555" << "Netzteilklemme AS-i, 2A"
                                 << "Power Supplier AS-i, 2A" << QStringList();
}

void TestTerminalDesc::digital()
{
    QFETCH(int, id);
    QFETCH(int, station);
    QFETCH(QString, name);
    QFETCH(QString, desc1031);
    QFETCH(QString, desc1033);
    QFETCH(QStringList, views);

    DescriptionEnv e;
    ScriptedChannel channel;
    e.ctx.gRegTable0[246] = reg246For(station);
    e.ctx.gTermTable[0] = 1;
    e.ctx.gTermTable[2] = id;
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, name, 2, compactBox, false, e.ctx);
    QCOMPARE(compactBox, station == 1);
    const pugi::xml_node device = built.doc.child("Device");
    QCOMPARE(xmlChildText(device, "Desc1031"), desc1031);
    QCOMPARE(xmlChildText(device, "Desc1033"), desc1033);
    QCOMPARE(viewLines(device), views);
    QCOMPARE(tableLines(device), QStringList());
    QCOMPARE(channel.readCount(), 0);
    QVERIFY(built.saved); // the early exits save as well
}

void TestTerminalDesc::registerTexts_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("desc1031");
    QTest::addColumn<QString>("desc1033");

    QTest::newRow("8451 safety input before its first digit") << 8451 << "1 Kanal Safety Eingang"
                                                              << "1 channel Safety input";
    QTest::newRow("3451 safety output") << 3451 << "1 Kanal Safety Ausgang" << "1 channel Safety output";
    QTest::newRow("2451 safety logic") << 2451 << "1 Kanal Safety Logik" << "1 channel Safety logic";
    QTest::newRow("6 analog input") << 6853 << "1 Kanal ana. Eingang" << "1 channel ana. input";
    QTest::newRow("1 analog output") << 1883 << "1 Kanal ana. Ausgang" << "1 channel ana. output";
    QTest::newRow("9 position") << 9554 << "1 Kanal Winkel/Wegmessung" << "1 channel position/displacement";
    QTest::newRow("2 communication") << 2553 << "1 Kanal Kommunikation" << "1 channel communication";
    QTest::newRow("other digit") << 7285 << "1 Kanal intelligent" << "1 channel intelligent";
    QTest::newRow("identifier 0") << 0 << "1 Kanal intelligent" << "1 channel intelligent";
    QTest::newRow("type below 1000") << 530 << "1 Kanal intelligent" << "1 channel intelligent";
}

void TestTerminalDesc::registerTexts()
{
    QFETCH(int, id);
    QFETCH(QString, desc1031);
    QFETCH(QString, desc1033);
    DescriptionEnv e;
    ScriptedChannel channel;
    channel.setRegister(4, 0, 11, 0x0100);
    e.ctx.gRegTable0[246] = 0x0120; // controller station: no resource file involved
    e.ctx.gTermTable[0] = 1;
    e.ctx.gTermTable[4] = id;
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("TMXXXX-0000"), 4, compactBox, false,
                                                      e.ctx);
    QCOMPARE(xmlChildText(built.doc.child("Device"), "Desc1031"), desc1031);
    QCOMPARE(xmlChildText(built.doc.child("Device"), "Desc1033"), desc1033);
    QCOMPARE(channel.callLog(), QStringList{QStringLiteral("read 4 0 11 1")});
}

void TestTerminalDesc::registerChannels()
{
    DescriptionEnv e;
    ScriptedChannel channel;
    channel.setRegister(1, 0, 11, 0x04FF); // the low byte is not the count
    e.ctx.gRegTable0[246] = 0x0001;
    e.ctx.gTermTable[1] = 6853;
    e.ctx.terminalResourceFile = e.env.tempPath() + QStringLiteral("/none.xml");
    QFile(e.ctx.terminalResourceFile).open(QIODevice::WriteOnly); // empty: not loadable
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("TM6853-0000"), 1, compactBox, false,
                                                      e.ctx);
    const pugi::xml_node device = built.doc.child("Device");
    QCOMPARE(xmlChildText(device, "Desc1031"), QStringLiteral("4 Kanal ana. Eingang"));
    QCOMPARE(tableLines(device), (QStringList{"0/65", "1/65", "2/65", "3/65"}));
    QStringList expected;
    for (int i = 0; i < 4; ++i) {
        expected << row(QStringLiteral("Kanal %1").arg(i + 1), QStringLiteral("Channel %1").arg(i + 1),
                        QStringLiteral("40"), {}, {});
        expected << row(QStringLiteral("Register"), QStringLiteral("Register"), QStringLiteral("43"),
                        QStringLiteral("TableView"), QString::number(i), 1);
        expected << row(QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"), kIo,
                        QString::number(i), 1);
    }
    QCOMPARE(viewLines(device), expected);
    // The resource table is loaded once, not per channel: the missing file is said once,
    // and a description built without it is not cached.
    QCOMPARE(e.env.dialogs().messages, QStringList{"Cannot load TerminalResource.XML|0|TD4700"});
    QVERIFY(built.readFailed);
    QVERIFY(!built.saved);
}

void TestTerminalDesc::controllerClasses_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("progId");
    QTest::newRow("6853") << 6853 << "TD4VUx.clsUx6853";
    QTest::newRow("63 prefix") << 6300 << "TD4VUx.clsUx63xx";
    QTest::newRow("8953") << 8953 << "TD4VUx.clsUx8953";
    QTest::newRow("no class") << 6000 << "";
}

void TestTerminalDesc::controllerClasses()
{
    QFETCH(int, id);
    QFETCH(QString, progId);
    DescriptionEnv e;
    ScriptedChannel channel;
    channel.setRegister(2, 0, 11, 0x0200);
    e.ctx.gRegTable0[246] = 0x0002; // UF compact box
    e.ctx.gTermTable[0] = 6853;     // 6853 is no 6855: still a compact box
    e.ctx.gTermTable[2] = id;
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("UG%1-0000").arg(id), 2, compactBox,
                                                      false, e.ctx);
    QVERIFY(compactBox);
    QStringList expected;
    for (int i = 0; i < 2; ++i) {
        expected << row(QStringLiteral("Kanal %1").arg(i + 1), QStringLiteral("Channel %1").arg(i + 1),
                        QStringLiteral("40"), {}, {});
        expected << row(QStringLiteral("Register"), QStringLiteral("Register"), QStringLiteral("43"),
                        QStringLiteral("TableView"), QString::number(i), 1);
        if (!progId.isEmpty())
            expected << row(QStringLiteral("Einstellungen"), QStringLiteral("Settings"), QStringLiteral("36"), progId,
                            QString::number(i), 1);
        expected << row(QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"), kIo,
                        QString::number(i), 1);
    }
    QCOMPARE(viewLines(built.doc.child("Device")), expected);
    QCOMPARE(e.env.dialogs().messages, QStringList()); // the resource table is not used here
}

void TestTerminalDesc::classList_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("progId");
    QTest::newRow("8953") << 8953 << "TD4VUx.clsUx8953";
    QTest::newRow("39xx") << 3950 << "TD4VUx.clsUx39xx";
    QTest::newRow("39 alone") << 39 << "TD4VUx.clsUx39xx";
    QTest::newRow("63xx") << 6358 << "TD4VUx.clsUx63xx";
    QTest::newRow("66xx") << 6600 << "TD4VUx.clsUx66xx";
    QTest::newRow("6853 finds no 68 rule") << 6853 << "TD4VUx.clsUx6853";
    QTest::newRow("6883") << 6883 << "TD4VUx.clsUx6883";
    QTest::newRow("1883") << 1883 << "TD4VUx.clsUx1883";
    QTest::newRow("1863") << 1863 << "TD4VUx.clsUx1863";
    QTest::newRow("9554") << 9554 << "TD4VUx.clsUx9554";
    QTest::newRow("9854") << 9854 << "TD4VUx.clsUx9854";
    QTest::newRow("9354") << 9354 << "TD4VUx.clsUx9354";
    QTest::newRow("2553") << 2553 << "TD4VUx.clsUx2553";
    QTest::newRow("2583") << 2583 << "TD4VUx.clsUx2583";
    QTest::newRow("2533") << 2533 << "TD4VUx.clsUx2533";
    QTest::newRow("6855 none") << 6855 << "";
    QTest::newRow("0 none") << 0 << "";
    QTest::newRow("0x8803 none") << 0x8803 << "";
}

void TestTerminalDesc::classList()
{
    QFETCH(int, id);
    QFETCH(QString, progId);
    QCOMPARE(fUxSettingsClass(id), progId);
}

void TestTerminalDesc::resourceRows()
{
    DescriptionEnv e;
    e.ctx.terminalResourceFile = e.env.tempPath() + QStringLiteral("/TerminalResource.xml");
    QFile file(e.ctx.terminalResourceFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?><TerminalResource>"
               "<TermTyp Terminal=\"6853\" Extension=\"65535\" Desc1031=\"Eins\" Desc1033=\"One\" Icon=\"36\" "
               "ProgID=\"A.One\" UserData=\"9\"/>"
               "<TermTyp Terminal=\"6853\" Extension=\"0\" Desc1031=\"Null\" Desc1033=\"Zero\" Icon=\"36\" "
               "ProgID=\"A.Zero\" UserData=\"9\"/>"
               "<TermTyp Terminal=\"x6853\" Extension=\"65535\" Desc1031=\"Text\" Desc1033=\"Text\" Icon=\"36\" "
               "ProgID=\"A.Text\" UserData=\"9\"/>"
               "<TermTyp Terminal=\"6853\" Extension=\"65535\" Desc1031=\"Zwei\" Desc1033=\"Two\" Icon=\"37\" "
               "ProgID=\"A.Two\" UserData=\"9\"/>"
               "</TerminalResource>");
    file.close();

    ScriptedChannel channel;
    channel.setRegister(1, 0, 11, 0x0200);
    e.ctx.gRegTable0[246] = 1056; // an extension station takes the resource table, not the class list
    e.ctx.gTermTable[0] = 8855;
    e.ctx.gTermTable[1] = 6853;
    e.ctx.gTermRegs[29] = 65535; // matched raw, although the name shows -0000
    bool compactBox = true;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("UG6853-0000"), 1, compactBox, false,
                                                      e.ctx);
    QVERIFY(!compactBox);
    QStringList expected;
    for (int i = 0; i < 2; ++i) {
        const QString u = QString::number(i);
        expected << row(QStringLiteral("Kanal %1").arg(i + 1), QStringLiteral("Channel %1").arg(i + 1),
                        QStringLiteral("40"), {}, {})
                 << row(QStringLiteral("Register"), QStringLiteral("Register"), QStringLiteral("43"),
                        QStringLiteral("TableView"), u, 1)
                 << row(QStringLiteral("Eins"), QStringLiteral("One"), QStringLiteral("36"), QStringLiteral("A.One"), u, 1)
                 << row(QStringLiteral("Zwei"), QStringLiteral("Two"), QStringLiteral("37"), QStringLiteral("A.Two"), u, 1)
                 << row(QStringLiteral("Prozessdaten"), QStringLiteral("Process Data"), QStringLiteral("39"), kIo, u, 1);
    }
    QCOMPARE(viewLines(built.doc.child("Device")), expected);
    QCOMPARE(e.env.dialogs().messages, QStringList());
}

void TestTerminalDesc::failedChannelCountIsNotCached()
{
    DescriptionEnv e;
    ScriptedChannel channel;
    channel.failReads(5, 0, ChTimeout);
    e.ctx.gRegTable0[246] = 0x0120;
    e.ctx.gTermTable[0] = 1;
    e.ctx.gTermTable[5] = 6853;
    bool compactBox = false;
    BuiltDescription built = fCreateDeviceDescription(&channel, QStringLiteral("UG6853-0000"), 5, compactBox, false,
                                                      e.ctx);
    QVERIFY(built.readFailed);
    QVERIFY(!built.saved);
    QVERIFY(!e.cached(QStringLiteral("UG6853-0000")));
    const pugi::xml_node device = built.doc.child("Device");
    QCOMPARE(xmlChildText(device, "Desc1031"), QStringLiteral("0 Kanal ana. Eingang"));
    QCOMPARE(viewLines(device), QStringList());
    QCOMPARE(tableLines(device), QStringList());
    QCOMPARE(e.ctx.gRegResult, int32_t(ChTimeout));
}

QTEST_MAIN(TestTerminalDesc)
#include "tst_terminaldesc.moc"
