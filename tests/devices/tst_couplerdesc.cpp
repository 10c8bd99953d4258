// Coupler descriptions: the settings container and its class table, the table
// captions, the register-table discovery, and the top-level view order.
#include "DescriptionTestUtil.h"
#include "common/ScriptedChannel.h"
#include "devices/DescriptionBuild.h"
#include "devices/modCouplerDesc.h"
#include "devices/modDeviceBuilder.h"

#include <QtTest>

namespace {

QStringList progIds(const std::vector<SettingsViewRow>& rows)
{
    QStringList out;
    for (const SettingsViewRow& r : rows)
        out << r.progId;
    return out;
}

const QString kCommon = QStringLiteral("CommonSetting");
const QString kLocal = QStringLiteral("CommonLocalUserSetting");
const QString kRouting = QStringLiteral("TD4VTerm.clsVR4555Table2");
const QString kSecurity = QStringLiteral("TD4VTerm.clsSpecificVR4555Table3");
const QString kController = QStringLiteral("ControllerSetting");
const QString kProcess = QStringLiteral("ProcessData");

QString cls(const char* name) { return QStringLiteral("TD4VTerm.clsSpecific") + QLatin1String(name); }

// A coupler build over a scripted channel with the given images.
struct CouplerBuild {
    DescriptionEnv e;
    ScriptedChannel ch;
    BuiltDescription built;
    void setImages(int32_t reg246, int32_t reg247, int32_t reg248, int32_t type, int32_t firmware)
    {
        e.ctx.gRegTable0[246] = reg246;
        e.ctx.gRegTable0[247] = reg247;
        e.ctx.gRegTable0[248] = reg248;
        e.ctx.gTermTable[0] = type;
        e.ctx.gFirmwareWord = firmware;
    }
    void setDirectory(const QVector<QPair<int, int>>& lengths)
    {
        QVector<int32_t> dir(128, 0);
        for (const auto& [table, length] : lengths)
            dir[table] = length;
        ch.setTable(0, 127, dir);
    }
    pugi::xml_node build(const QString& name, bool urCoupler = false)
    {
        bool compactBox = false;
        built = fCreateDeviceDescription(&ch, name, 0, compactBox, urCoupler, e.ctx);
        return built.doc.child("Device");
    }
};

QStringList topLevel(const pugi::xml_node& device)
{
    QStringList out;
    for (const pugi::xml_node& v : device.child("CfgTool").child("Views").children("View"))
        out << xmlAttr(v, "Desc1033");
    return out;
}

} // namespace

class TestCouplerDesc : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsViews_data();
    void settingsViews();
    void settingsTexts();
    void tableCaptions_data();
    void tableCaptions();
    void directory();
    void probe();
    void probeStopsAtADeadLink();
    void probeWithoutAnswers();
    void viewOrder();
    void stationSettingsLogLines_data();
    void stationSettingsLogLines();
    void developerMode();
};

void TestCouplerDesc::settingsViews_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("compactBox");
    QTest::addColumn<int>("reg246");
    QTest::addColumn<int>("firmware");
    QTest::addColumn<bool>("container");
    QTest::addColumn<QStringList>("views");

    const QStringList common{kCommon, kLocal};
    // One row per class-table row, box keys with the controller flag.
    QTest::newRow("row 1 685") << "UR1234-C685-0000" << true << 0x0020 << 0 << true << common + QStringList{cls("VN6585")};
    QTest::newRow("row 1 687") << "UR1234-C687-0000" << true << 0x0020 << 0 << true << common + QStringList{cls("VN6585")};
    QTest::newRow("row 2 985") << "UR1234-C985-0000" << true << 0x0020 << 0 << true << common + QStringList{cls("VN9885")};
    QTest::newRow("row 3 935") << "UF3600-B935-0000" << true << 0x0002 << 0 << true << common + QStringList{cls("UF935")};
    QTest::newRow("row 4 067") << "UF3600-B067-0000" << true << 0x0002 << 0 << true << common + QStringList{cls("VN0655")};
    QTest::newRow("row 5 787") << "UF3600-B787-0000" << true << 0x0002 << 0 << true << common + QStringList{cls("VN7555")};
    QTest::newRow("row 6 VN3955") << "VN3955-0000" << false << 1 << 0 << true << common + QStringList{cls("VN3555")};
    QTest::newRow("row 6 357") << "UR1234-C357-0000" << true << 0x0020 << 0 << true << common + QStringList{cls("VN3555")};
    QTest::newRow("row 7 VN6555") << "VN6555-5555" << false << 1 << 0 << true << common + QStringList{cls("VN6555")};
    QTest::newRow("row 8 VR6855") << "VR6855-0000" << false << 0x0100 << 0 << true
                                  << common + QStringList{cls("VN6585"), kController, kProcess};
    QTest::newRow("row 9 VN1955") << "VN1955-0000" << false << 1 << 0 << true << common + QStringList{cls("VN1555")};
    QTest::newRow("row 10 VN9555") << "VN9555-0000" << false << 1 << 0 << true << common + QStringList{cls("VN9555")};
    QTest::newRow("row 11 VN9855") << "VN9855-0000" << false << 1 << 0 << true << common + QStringList{cls("VN9855")};
    QTest::newRow("row 12 VN9885 odd pair") << "VN9885-0000" << false << 1 << 0 << true
                                            << common + QStringList{cls("VN9855")};
    QTest::newRow("row 12 XD5555") << "XD5555-0000" << false << 1 << 0 << true << common + QStringList{cls("VN9855")};
    QTest::newRow("row 13 VJ9355") << "VJ9355-0000" << false << 1 << 0 << true << common + QStringList{cls("VN9355")};
    QTest::newRow("row 14 VN0555") << "VN0555-0000" << false << 1 << 0 << true << common + QStringList{cls("VN0555")};
    QTest::newRow("row 15 VR0655") << "VR0655-0000" << false << 0 << 0 << true << common + QStringList{cls("VN0655")};
    QTest::newRow("row 16 VR0695") << "VR0695-0000" << false << 0 << 0 << true << common + QStringList{cls("VN0695")};
    QTest::newRow("row 17 VN0955") << "VN0955-0000" << false << 1 << 0 << true << common + QStringList{cls("VN0955")};
    QTest::newRow("row 18 VJ7655") << "VJ7655-0000" << false << 1 << 0 << true << common + QStringList{cls("VN7555")};
    QTest::newRow("row 19 VN4596") << "VN4596-0000" << false << 1 << 0 << true << common + QStringList{cls("VN4555")};
    QTest::newRow("row 19 459") << "UR1234-C459-0000" << true << 0x0020 << 0 << true << common + QStringList{cls("VN4555")};
    QTest::newRow("row 20 VR4835") << "VR4835-0000" << false << 0 << 0 << true << common + QStringList{cls("VR4x35")};
    QTest::newRow("row 21 VN4955") << "VN4955-0000" << false << 1 << 0 << true << common + QStringList{cls("VN4955")};
    QTest::newRow("no row") << "VN1234-0000" << false << 1 << 0 << true << common;
    QTest::newRow("box name looked up by its head") << "UR1234-C685-0000" << false << 0x0020 << 0 << true << common;
    QTest::newRow("six-character key with the flag") << "VN6555-5555" << true << 1 << 0 << true << common;

    // VZ4555 and the families without a container.
    QTest::newRow("VZ4555 firmware 262: empty container") << "VZ4555-0000" << false << 0x0200 << 262 << true
                                                          << QStringList();
    QTest::newRow("VZ4555 firmware 263") << "VZ4555-0000" << false << 0x0200 << 263 << true
                                         << QStringList{cls("VZ4555")};
    QTest::newRow("VZ4555 controller kind gets no controller views") << "VZ4555-0000" << false << 0x0100 << 263 << true
                                                                     << QStringList{cls("VZ4555")};
    QTest::newRow("other VZ: no container") << "VZ6855-0000" << false << 0x0200 << 263 << false << QStringList();
    QTest::newRow("HQ: no container") << "HQ8855-0003" << false << 0x0100 << 47616 << false << QStringList();

    // Routing and security by head and firmware word.
    QTest::newRow("VN4555 47615") << "VN4555-0000" << false << 1 << 47615 << true << common + QStringList{cls("VN4555")};
    QTest::newRow("VN4555 47616") << "VN4555-0000" << false << 1 << 47616 << true
                                  << common + QStringList{cls("VN4555"), kRouting, kSecurity};
    QTest::newRow("VR4555 45056") << "VR4555-0000" << false << 0 << 45056 << true << common + QStringList{cls("VN4555")};
    QTest::newRow("VR4855 45056") << "VR4855-0000" << false << 0 << 45056 << true
                                  << common + QStringList{cls("VN4555"), kRouting, kSecurity};
    QTest::newRow("VN4855 45055") << "VN4855-0000" << false << 1 << 45055 << true << common + QStringList{cls("VN4555")};
    QTest::newRow("VN4855 45056") << "VN4855-0000" << false << 1 << 45056 << true
                                  << common + QStringList{cls("VN4555"), kRouting, kSecurity};

    // The controller rule: kind code 1, not VZ, not VR..95.
    QTest::newRow("VR4555 controller views last") << "VR4555-5555" << false << 0x0100 << 47616 << true
                                                  << common + QStringList{cls("VN4555"), kRouting, kSecurity,
                                                                          kController, kProcess};
    QTest::newRow("kind code 3 is no controller") << "VR4555-5555" << false << 0x0300 << 0 << true
                                                  << common + QStringList{cls("VN4555")};
    QTest::newRow("VR4595 flag off: row 20, no controller") << "VR4595-5555" << false << 0x0100 << 0 << true
                                                            << common + QStringList{cls("VR4x35")};
    QTest::newRow("VR4595 flag on: key 555") << "VR4595-5555" << true << 0x0100 << 0 << true << common;
    QTest::newRow("short name") << "VR4" << false << 0x0100 << 0 << true << common + QStringList{kController, kProcess};
}

void TestCouplerDesc::settingsViews()
{
    QFETCH(QString, name);
    QFETCH(bool, compactBox);
    QFETCH(int, reg246);
    QFETCH(int, firmware);
    QFETCH(bool, container);
    QFETCH(QStringList, views);
    bool hasContainer = !container;
    QCOMPARE(progIds(fCouplerSettingsViews(name, compactBox, reg246, firmware, hasContainer)), views);
    QCOMPARE(hasContainer, container);
}

void TestCouplerDesc::settingsTexts()
{
    bool hasContainer = false;
    QStringList lines;
    for (const SettingsViewRow& r : fCouplerSettingsViews(QStringLiteral("VR4855-0000"), false, 0x0100, 45056,
                                                          hasContainer))
        lines << QStringList{r.desc1031, r.desc1033, r.icon, r.progId, r.userData}.join(QLatin1Char('|'));
    QCOMPARE(lines,
             (QStringList{"Allgemein: Einstellungen|Common: Settings|36|CommonSetting|0",
                          "Allgemein: Lokales User-Mapping|Common: Local user-mapping|36|CommonLocalUserSetting|0",
                          "Feldbus: Einstellungen|Fieldbus: Settings|36|TD4VTerm.clsSpecificVN4555|100",
                          "Feldbus: Routingtabelle (QNP)|Fieldbus: Routingtable (QNP)|53|TD4VTerm.clsVR4555Table2|0",
                          "Feldbus: Sicherheitseinstellungen (IP/UDP)|Fieldbus: Security settings (IP/UDP)|49|"
                          "TD4VTerm.clsSpecificVR4555Table3|0",
                          "Controller: Einstellungen|Controller: Settings|36|ControllerSetting|0",
                          "Prozessdaten|Process Data|39|ProcessData|0"}));
    QCOMPARE(fCouplerClassKey(QStringLiteral("UR1234-C685-0000"), true), QStringLiteral("685"));
    QCOMPARE(fCouplerClassKey(QStringLiteral("UR1234-C6"), true), QStringLiteral("6"));
    QCOMPARE(fCouplerClassKey(QStringLiteral("VN6555-5555"), false), QStringLiteral("VN6555"));
}

void TestCouplerDesc::tableCaptions_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << "000: Configuration Coupler";
    QTest::newRow("1") << 1 << "001: Configuration Controller";
    QTest::newRow("2") << 2 << "002: Table 2";
    QTest::newRow("7") << 7 << "007: Table 7";
    QTest::newRow("8 typ") << 8 << "008: Terminal typ (user)";
    QTest::newRow("9 typ") << 9 << "009: Terminal typ (auto)";
    QTest::newRow("10") << 10 << "010: Config local inputimage 1";
    QTest::newRow("23") << 23 << "023: Config local inputimage 14";
    QTest::newRow("24") << 24 << "024: Table 24";
    QTest::newRow("29") << 29 << "029: Table 29";
    QTest::newRow("30") << 30 << "030: Config PLC inputimage 1";
    QTest::newRow("43") << 43 << "043: Config PLC inputimage 14";
    QTest::newRow("44") << 44 << "044: Table 44";
    QTest::newRow("50") << 50 << "050: Config local outputimage 1";
    QTest::newRow("63") << 63 << "063: Config local outputimage 14";
    QTest::newRow("69") << 69 << "069: Table 69";
    QTest::newRow("70") << 70 << "070: Config PLC outputimage 1";
    QTest::newRow("83") << 83 << "083: Config PLC outputimage 14";
    QTest::newRow("84") << 84 << "084: Table 84";
    QTest::newRow("90") << 90 << "090: Diagnostic coupler";
    QTest::newRow("91") << 91 << "091: Diagnostic processimage";
    QTest::newRow("92") << 92 << "092: Diagnostic terminal channel 1";
    QTest::newRow("95") << 95 << "095: Diagnostic terminal channel 4";
    QTest::newRow("96") << 96 << "096: Table 96";
    QTest::newRow("97") << 97 << "097: Table 97";
    QTest::newRow("98") << 98 << "098: Diagnostic Controller";
    QTest::newRow("99") << 99 << "099: Table 99";
    QTest::newRow("100") << 100 << "100: Configuration coupler (fieldbus spec.)";
    QTest::newRow("101") << 101 << "101: Table 101";
    QTest::newRow("109") << 109 << "109: Table 109";
    QTest::newRow("110") << 110 << "110: Local output image 1";
    QTest::newRow("113") << 113 << "113: Local output image 4";
    QTest::newRow("114") << 114 << "114: Local input image 1";
    QTest::newRow("117") << 117 << "117: Local input image 4";
    QTest::newRow("118") << 118 << "118: Table 118";
    QTest::newRow("119") << 119 << "119: Table 119";
    QTest::newRow("120") << 120 << "120: Fieldbus spec. table 1";
    QTest::newRow("126") << 126 << "126: Fieldbus spec. table 7";
    QTest::newRow("127") << 127 << "127: Table administration";
}

void TestCouplerDesc::tableCaptions()
{
    QFETCH(int, table);
    QFETCH(QString, caption);
    QCOMPARE(fCouplerTableCaption(table), caption);
}

void TestCouplerDesc::directory()
{
    CouplerBuild b;
    b.setImages(1, 0, 48847, 6555, 0);
    b.setDirectory({{0, 256}, {5, 300}, {9, 65535}, {90, 65}, {100, 0}, {127, 128}});
    const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(b.ch.callLog(), QStringList{"read 0 127 0 128"});
    QCOMPARE(tableLines(device), (QStringList{"0/256", "5/300", "90/65", "127/128"}));
    QStringList tables;
    for (const QString& line : viewLines(device)) {
        if (line.startsWith(QLatin1String("  ")) && line.contains(QLatin1String("|TableView|")))
            tables << line.trimmed();
    }
    QCOMPARE(tables, (QStringList{"000: Configuration Coupler|000: Configuration Coupler|43|TableView|0",
                                  "005: Table 5|005: Table 5|43|TableView|5",
                                  "090: Diagnostic coupler|090: Diagnostic coupler|43|TableView|90",
                                  "127: Table administration|127: Table administration|43|TableView|127"}));
    QVERIFY(b.built.saved);
}

void TestCouplerDesc::probe()
{
    CouplerBuild b;
    b.setImages(1, 0, 48847, 6555, 0);
    for (int t : {0, 1, 9, 127})
        b.ch.setTable(0, t, QVector<int32_t>(t == 127 ? 100 : 10, 7)); // 127 too short for the directory
    const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(b.ch.readCount(), 1 + 128);
    QCOMPARE(b.ch.callLog().at(1), QStringLiteral("read 0 0 0 1"));
    QCOMPARE(b.ch.callLog().last(), QStringLiteral("read 0 127 0 1"));
    QCOMPARE(tableLines(device), (QStringList{"0/255", "1/255", "9/255", "127/255"}));
    QVERIFY(b.built.saved);
}

void TestCouplerDesc::probeStopsAtADeadLink()
{
    // The link dies after table 0 answered: one time-out ends the probe.
    CouplerBuild b;
    b.setImages(1, 0, 48847, 6555, 0);
    b.ch.setTable(0, 0, QVector<int32_t>(10, 0));
    b.ch.failReads(0, 1, ChTimeout);
    const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(b.ch.callLog(), (QStringList{"read 0 127 0 128", "read 0 0 0 1", "read 0 1 0 1"}));
    QCOMPARE(tableLines(device), QStringList{"0/255"});
    QVERIFY(b.built.readFailed);
    QVERIFY(!b.built.saved);

    // A directory read that gets no answer is no reason to probe: one time-out in all.
    CouplerBuild dead;
    dead.setImages(1, 0, 48847, 6555, 0);
    dead.ch.failReads(0, -1, ChTimeout);
    const pugi::xml_node empty = dead.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(dead.ch.callLog(), QStringList{"read 0 127 0 128"});
    QCOMPARE(tableLines(empty), QStringList());
    QCOMPARE(topLevel(empty).last(), QStringLiteral("Tables")); // the container stays, empty
    QVERIFY(!dead.e.cached(QStringLiteral("VN6555-5555")));
}

void TestCouplerDesc::probeWithoutAnswers()
{
    // "No such table" everywhere is an answer: the whole probe runs, the empty list is cached.
    CouplerBuild b;
    b.setImages(1, 0, 48847, 6555, 0);
    const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(b.ch.readCount(), 129);
    QCOMPARE(tableLines(device), QStringList());
    QVERIFY(!b.built.readFailed);
    QVERIFY(b.e.cached(QStringLiteral("VN6555-5555")));

    // A directory the device refuses with another code is not probed: no table, not cached.
    CouplerBuild refused;
    refused.setImages(1, 0, 48847, 6555, 0);
    refused.ch.failReads(0, 127, 0x2001);
    const pugi::xml_node none = refused.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(refused.ch.callLog(), QStringList{"read 0 127 0 128"});
    QCOMPARE(tableLines(none), QStringList());
    QCOMPARE(refused.built.refusal.code, 0x2001);
    QVERIFY(!refused.e.cached(QStringLiteral("VN6555-5555")));
}

void TestCouplerDesc::viewOrder()
{
    CouplerBuild b;
    b.setImages(0x0100, 0, 48847, 4855, 45056);
    b.setDirectory({{0, 256}, {127, 128}});
    const pugi::xml_node device = b.build(QStringLiteral("VR4855-0000"));
    QCOMPARE(viewLines(device),
             (QStringList{
                 "Stations-Einstellung speichern in Datei...|Save station-settings in file...|51|OfflineMode.TableSync|1",
                 "Stations-Einstellungen aus Datei übertragen...|Restore station-settings from file...|50|"
                 "OfflineMode.TableSync|2",
                 "Reports|Reports|57||",
                 "  Mapping|Mapping|48|RepDevSvr.RepGlobDevMappingView|0",
                 "  Stückliste|Part list|55|RepDevSvr.RepPartsListView|0",
                 "  Trace view|Trace view|56|IoModSvr.TraceView|0",
                 "  Klemmen: Register Dokumentation|Terminal: Register Documentation|4|TD4VTermHw.ExportScript|0",
                 "Einstellungen|Settings|36||",
                 "  Allgemein: Einstellungen|Common: Settings|36|CommonSetting|0",
                 "  Allgemein: Lokales User-Mapping|Common: Local user-mapping|36|CommonLocalUserSetting|0",
                 "  Feldbus: Einstellungen|Fieldbus: Settings|36|TD4VTerm.clsSpecificVN4555|100",
                 "  Feldbus: Routingtabelle (QNP)|Fieldbus: Routingtable (QNP)|53|TD4VTerm.clsVR4555Table2|0",
                 "  Feldbus: Sicherheitseinstellungen (IP/UDP)|Fieldbus: Security settings (IP/UDP)|49|"
                 "TD4VTerm.clsSpecificVR4555Table3|0",
                 "  Controller: Einstellungen|Controller: Settings|36|ControllerSetting|0",
                 "  Prozessdaten|Process Data|39|ProcessData|0",
                 "Tabellen|Tables|43||",
                 "  000: Configuration Coupler|000: Configuration Coupler|43|TableView|0",
                 "  127: Table administration|127: Table administration|43|TableView|127"}));
    QVERIFY(!device.child("SubDevice"));
    QCOMPARE(QString::fromUtf8(device.last_child().name()), QStringLiteral("Tables"));
    QCOMPARE(b.e.env.log().Text(), QString());
    QCOMPARE(xmlAttr(device, "Icon"), QStringLiteral("3"));
}

void TestCouplerDesc::stationSettingsLogLines_data()
{
    QTest::addColumn<int>("reg247");
    QTest::addColumn<int>("reg248");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("log");
    const QString english = QStringLiteral(
        "Save station-settings: Maybe the feature is not automatically supported by this coupler-firmware.\r\n"
        "Restore station-settings: Maybe the feature is not automatically supported by this coupler-firmware.\r\n");
    const QString german = QStringLiteral(
        "Stations-Einstellungen speichern bei dieser Kopplergeneration nicht möglich, diese Funktion wird vom "
        "Kopplerfirmware nicht unterstützt.\r\n"
        "Stations-Einstellungen übertragen bei dieser Kopplergeneration nicht möglich, diese Funktion wird vom "
        "Kopplerfirmware nicht unterstützt.\r\n");
    QTest::newRow("register 247 is 1, English") << 1 << 48847 << 1 << english;
    QTest::newRow("register 247 is 1, German") << 1 << 48847 << 0 << german;
    QTest::newRow("older coupler, English") << 0 << 0 << 1 << english;
}

void TestCouplerDesc::stationSettingsLogLines()
{
    QFETCH(int, reg247);
    QFETCH(int, reg248);
    QFETCH(int, language);
    QFETCH(QString, log);
    CouplerBuild b;
    gCommon().setLanguageType(language);
    b.setImages(1, reg247, reg248, 6555, 0);
    b.setDirectory({{0, 256}});
    const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
    QCOMPARE(topLevel(device), (QStringList{"Reports", "Settings", "Tables"}));
    QCOMPARE(b.e.env.log().Text(), log);
}

void TestCouplerDesc::developerMode()
{
    for (bool devMode : {false, true}) {
        CouplerBuild b;
        app().gDevMode = devMode;
        b.setImages(1, 0, 48847, 6555, 0);
        b.setDirectory({{0, 256}});
        const pugi::xml_node device = b.build(QStringLiteral("VN6555-5555"));
        QStringList reports;
        for (const QString& line : viewLines(device)) {
            if (line.startsWith(QLatin1String("  ")) && !line.contains(QLatin1String("TableView"))
                && !line.contains(QLatin1String("Setting")))
                reports << line.trimmed();
        }
        QCOMPARE(reports.size(), devMode ? 5 : 4);
        if (devMode)
            QCOMPARE(reports.last(), QStringLiteral("Entwickler: Tools|Developer: Tools||TD4VTermHw.AdminTool|0"));
    }
}

QTEST_MAIN(TestCouplerDesc)
#include "tst_couplerdesc.moc"
