// Coupler descriptions of each station profile, read with an empty cache from
// the virtual coupler and compared, parsed, with the structure they must have.
#include "E2eStation.h"
#include "devices/modCouplerDesc.h"
#include "shell/ShellContext.h"
#include "shell/modTreeView.h"

#include <QElapsedTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList stationSettings()
{
    return {"Stations-Einstellung speichern in Datei...|Save station-settings in file...|51|OfflineMode.TableSync|1",
            "Stations-Einstellungen aus Datei übertragen...|Restore station-settings from file...|50|"
            "OfflineMode.TableSync|2"};
}

QStringList reports()
{
    return {"Reports|Reports|57||", "  Mapping|Mapping|48|RepDevSvr.RepGlobDevMappingView|0",
            "  Stückliste|Part list|55|RepDevSvr.RepPartsListView|0", "  Trace view|Trace view|56|IoModSvr.TraceView|0",
            "  Klemmen: Register Dokumentation|Terminal: Register Documentation|4|TD4VTermHw.ExportScript|0"};
}

// The settings container with the common views, the fieldbus class and, as asked,
// the routing and the controller views.
QStringList settings(const QString& fieldbusClass, bool routing, bool controller)
{
    QStringList out{"Einstellungen|Settings|36||",
                    "  Allgemein: Einstellungen|Common: Settings|36|CommonSetting|0",
                    "  Allgemein: Lokales User-Mapping|Common: Local user-mapping|36|CommonLocalUserSetting|0",
                    "  Feldbus: Einstellungen|Fieldbus: Settings|36|TD4VTerm.clsSpecific" + fieldbusClass + "|100"};
    if (routing)
        out << "  Feldbus: Routingtabelle (QNP)|Fieldbus: Routingtable (QNP)|53|TD4VTerm.clsVR4555Table2|0"
            << "  Feldbus: Sicherheitseinstellungen (IP/UDP)|Fieldbus: Security settings (IP/UDP)|49|"
               "TD4VTerm.clsSpecificVR4555Table3|0";
    if (controller)
        out << "  Controller: Einstellungen|Controller: Settings|36|ControllerSetting|0"
            << "  Prozessdaten|Process Data|39|ProcessData|0";
    return out;
}

QStringList tables(const QList<int>& numbers)
{
    QStringList out{"Tabellen|Tables|43||"};
    for (int n : numbers) {
        const QString caption = fCouplerTableCaption(n);
        out << QStringLiteral("  %1|%1|43|TableView|%2").arg(caption).arg(n);
    }
    return out;
}

QStringList channel(int c, const QString& d1031, const QString& d1033, const QString& progId)
{
    QStringList out{QStringLiteral("%1|%2|40||").arg(d1031, d1033),
                    QStringLiteral("  Register|Register|43|TableView|%1").arg(c)};
    if (!progId.isEmpty())
        out << QStringLiteral("  Einstellungen|Settings|36|%1|%2").arg(progId).arg(c);
    return out;
}

const QList<int> kProcessTables{110, 111, 112, 113, 114, 115, 116, 117};

} // namespace

class TestCouplerDescE2e : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void profiles_data();
    void profiles();
    void mixedModuleInTheTree();
    void deadLinkEndsTheReadAtOnce();
};

void TestCouplerDescE2e::profiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("views");
    QTest::addColumn<QStringList>("tableList");
    QTest::addColumn<QStringList>("subDevice"); // empty: none expected
    QTest::addColumn<QString>("log");

    QTest::newRow("family word with station settings")
        << "vn4555.xml" << stationSettings() + reports() + settings("VN4555", true, false) + tables({0, 1, 9, 90, 100, 127})
        << QStringList{"0/256", "1/16", "9/256", "90/65", "100/256", "127/128"} << QStringList() << "";

    QTest::newRow("older coupler")
        << "vn3555-old.xml" << reports() + settings("VN3555", false, false) + tables({0, 9, 90, 127})
        << QStringList{"0/256", "9/256", "90/65", "127/128"} << QStringList()
        << "Save station-settings: Maybe the feature is not automatically supported by this coupler-firmware.\r\n"
           "Restore station-settings: Maybe the feature is not automatically supported by this coupler-firmware.\r\n";

    QList<int> vr{0, 1, 9, 90, 98, 100};
    vr += kProcessTables;
    vr << 127;
    QStringList vrLengths{"0/256", "1/16", "9/256", "90/65", "98/4", "100/256"};
    for (int t : kProcessTables)
        vrLengths << QStringLiteral("%1/256").arg(t);
    vrLengths << "127/128";
    QTest::newRow("bus controller") << "vr4855.xml"
                                    << stationSettings() + reports() + settings("VN4555", true, true) + tables(vr)
                                    << vrLengths << QStringList() << "";

    QList<int> box{0, 1, 9, 90, 100};
    box += kProcessTables;
    box << 127;
    QStringList boxLengths{"0/256", "1/16", "9/256", "90/65", "100/256"};
    for (int t : kProcessTables)
        boxLengths << QStringLiteral("%1/256").arg(t);
    boxLengths << "127/128";
    QStringList mixed;
    mixed += channel(0, "6 Kanal dig. Ausgang & 2 Kanal dig. Eingang", "6 channel dig. Output & 2 channel dig. Input", {});
    mixed += channel(1, {}, {}, {});
    for (int c = 2; c < 11; ++c) {
        static const QStringList kD1031{"", "", "1 Kanal ana. Eingang 20mA", "1 Kanal ana. Eingang 20mA", "SSI Interface",
                                        "1 Kanal ana. Eingang 20mA", "1 Kanal ana. Ausgang 20mA",
                                        "1 Kanal ana. Eingang 0-10V", "1 Kanal ana. Eingang 20mA",
                                        "1 Kanal ana. Ausgang 20mA", "1 Kanal ana. Eingang 0-10V"};
        static const QStringList kD1033{"", "", "1 channel ana. Input 20mA", "1 channel ana. Input 20mA", "SSI Interface",
                                        "1 channel ana. Input 20mA", "1 channel ana. Output 20mA",
                                        "1 channel ana. Input 0-10V", "1 channel ana. Input 20mA",
                                        "1 channel ana. Output 20mA", "1 channel ana. Input 0-10V"};
        static const QStringList kClass{"", "", "6883", "6883", "9554", "6883", "1883", "6853", "6883", "1883", "6853"};
        mixed += channel(c, kD1031[c], kD1033[c], QStringLiteral("TD4VUx.clsUx") + kClass[c]);
    }
    QTest::newRow("compact box, mixed module")
        << "ur1234-mixed.xml" << stationSettings() + reports() + settings("VN6585", false, true) + tables(box)
        << boxLengths << mixed << "";

    QStringList digital;
    for (int c = 0; c < 4; ++c)
        digital << QStringLiteral("Kanal (in) %1|Channel (in) %1|40|IoModSvr.IoChView|%2").arg(c + 1).arg(c);
    for (int c = 0; c < 4; ++c)
        digital << QStringLiteral("Kanal (out) %1|Channel (out) %1|40|IoModSvr.IoChView|%2").arg(c + 1).arg(c);
    QTest::newRow("compact box, digital module")
        << "uf3600-box.xml" << stationSettings() + reports() + settings("UF935", false, false) + tables({0, 1, 9, 90, 100, 127})
        << QStringList{"0/256", "1/16", "9/256", "90/65", "100/256", "127/128"} << digital << "";

    QStringList typed;
    typed += channel(0, "1 Kanal ana. Eingang 20mA", "1 channel ana. Input 20mA", "TD4VUx.clsUx6883");
    typed += channel(1, "1 Kanal ana. Eingang 20mA", "1 channel ana. Input 20mA", "TD4VUx.clsUx6883");
    typed += channel(2, "1 Kanal ana. Eingang +-10V", "1 channel ana. Input +-10V", "TD4VUx.clsUx6853");
    typed += channel(3, "1 Kanal ana. Eingang PT100", "1 channel ana. Input PT100", "TD4VUx.clsScaPT100");
    typed += channel(4, "1 Kanal ana. Ausgang 20mA", "1 channel ana. Output 20mA", "TD4VUx.clsUx1883");
    typed += channel(5, "digitale Eingänge/Ausgänge", "digital Inputs/Outputs", {});
    typed += channel(6, {}, {}, {}); // 534 is no digital type
    typed += channel(7, "digitale Eingänge/Ausgänge", "digital Inputs/Outputs", {});
    typed += channel(8, {}, {}, {});
    typed += channel(9, {}, {}, {});
    typed += channel(10, "1 Kanal ana. Eingang 20mA", "1 channel ana. Input 20mA", "TD4VUx.clsUx6883");
    QTest::newRow("compact box, typed module")
        << "ur1235-typed.xml" << stationSettings() + reports() + settings("VN6585", false, true) + tables({0, 1, 9, 90, 100, 127})
        << QStringList{"0/256", "1/16", "9/256", "90/65", "100/256", "127/128"} << typed << "";

    QTest::newRow("no length directory")
        << "vn4555-nodir.xml" << stationSettings() + reports() + settings("VN4555", true, false) + tables({0, 1, 9})
        << QStringList{"0/255", "1/255", "9/255"} << QStringList() << "";
}

void TestCouplerDescE2e::profiles()
{
    QFETCH(QString, file);
    QFETCH(QStringList, views);
    QFETCH(QStringList, tableList);
    QFETCH(QStringList, subDevice);
    QFETCH(QString, log);
    E2eStation s;
    gCommon().setLanguageType(1);
    QVERIFY2(s.start(file), qPrintable(s.coupler.output()));
    s.read();
    const pugi::xml_node coupler = s.device(0);
    QVERIFY(coupler);
    QCOMPARE(viewLines(coupler), views);
    QCOMPARE(tableLines(coupler), tableList);
    const pugi::xml_node sub = coupler.child("SubDevice");
    QCOMPARE(bool(sub), !subDevice.isEmpty());
    if (sub) {
        QCOMPARE(QString::fromUtf8(coupler.last_child().name()), QStringLiteral("SubDevice"));
        QCOMPARE(viewLines(sub.child("Device")), subDevice);
    }
    QCOMPARE(s.desc.env.log().Text(), log);
    QVERIFY(s.desc.cached(xmlAttr(coupler, "Name")));
}

void TestCouplerDescE2e::mixedModuleInTheTree()
{
    E2eStation s;
    gCommon().setLanguageType(0);
    QVERIFY2(s.start(QStringLiteral("ur1234-mixed.xml")), qPrintable(s.coupler.output()));
    s.read();
    ShellContext shellContext;
    QTreeWidget tree;
    StationTreeTarget target{&tree, &shellContext, nullptr};
    fBuildStationTree(target, s.station);
    QTreeWidgetItem* couplerNode = tree.topLevelItem(0);
    QVERIFY(couplerNode);
    QTreeWidgetItem* subNode = nullptr;
    for (int i = 0; i < couplerNode->childCount(); ++i) {
        if (couplerNode->child(i)->text(0).startsWith(QLatin1String("Pos 1:")))
            subNode = couplerNode->child(i);
    }
    QVERIFY(subNode);
    QCOMPARE(subNode->text(0), QStringLiteral("Pos 1:   (Signal-Kanäle)"));
    // Channel 1 of variant 0 has no caption and stays hidden with its children.
    QCOMPARE(subNode->childCount(), 10);
    QCOMPARE(subNode->child(0)->text(0), QStringLiteral("6 Kanal dig. Ausgang & 2 Kanal dig. Eingang"));
    QCOMPARE(subNode->child(1)->text(0), QStringLiteral("1 Kanal ana. Eingang 20mA"));
}

void TestCouplerDescE2e::deadLinkEndsTheReadAtOnce()
{
    // A coupler that answers nothing: the first identification read times out and ends
    // the read; no station is named from registers that were never read.
    E2eStation s;
    QVERIFY2(s.start(QStringLiteral("vn4555.xml"), {QStringLiteral("--silent")}), qPrintable(s.coupler.output()));
    auto* param = dynamic_cast<ISerialChannelParam*>(s.channel.GetDeviceParamObj());
    param->SetTimeout(200);
    QElapsedTimer timer;
    timer.start();
    const QStringList requests = withoutResults(s.read());
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(requests, QStringList{"read 0 0 200 55"});
    QVERIFY2(elapsed < 2 * 200 + 300, qPrintable(QString::number(elapsed)));
    QCOMPARE(s.devices(), QStringList());
    QCOMPARE(s.desc.cachedNames(), QStringList());
}

QTEST_MAIN(TestCouplerDescE2e)
#include "tst_couplerdesc.moc"
