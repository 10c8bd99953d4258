// What follows a log-in or log-out, over scripted channels: the log, the
// status text, the device-file question, the monitoring-marker check in both
// languages, the mapping decision, the register images, the debug copy and
// the developer protection calls.
#include "CommandTestProgram.h"

#include "platform/FormRegistry.h"
#include "platform/StringTable.h"
#include "shell/ShellContext.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

namespace {

using Table = QVector<int32_t>;

std::array<int32_t, 256> image(const Table& values)
{
    std::array<int32_t, 256> out{};
    for (int i = 0; i < values.size() && i < 256; ++i)
        out[size_t(i)] = values[i];
    return out;
}

const QString EnglishMismatch =
    QStringLiteral("Online Monitoring: Maybe the feature is not automatically supported by this coupler-firmware.\r\n"
                   "Online Monitoring: The function Online Monitoring is deactivated.\r\n");
const QString GermanMismatch = QStringLiteral(
    "Online Monitoring: Eventuell wird Online Monitoring auf dem Koppler-Firmware nicht automatisch unterstützt.\r\n"
    "Online Monitoring: Die Funktion Online Monitoring ist deaktiviert.\r\n");

// Answers register 244 with the marker at the first read and with 0 afterwards.
class FadingMarkerChannel : public ScriptedChannel {
public:
    int markerReads = 0;
    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        if (pos == 0 && table == 0 && first == 244 && count == 1)
            setRegister(0, 0, 244, ++markerReads == 1 ? OnlineMonitoringMarker : 0);
        return ScriptedChannel::VbRegSyncReadReq(pos, table, first, count, buffer);
    }
};

void logIn(CommandTestProgram& p) { p.w().tbToolBar().button(QStringLiteral("OnlineLog"))->trigger(); }
void logOut(CommandTestProgram& p) { p.w().tbToolBar().button(QStringLiteral("OfflineLog"))->trigger(); }

// The serial channel the next initialisation creates, prepared by the caller.
ScriptedChannel& prepareChannel(CommandTestProgram& p)
{
    fInitDevChannel(p.env.context());
    return *p.factory->serial;
}

bool hasStationGraph()
{
    const QList<QWidget*> forms = FormRegistry::Forms();
    return std::any_of(forms.begin(), forms.end(),
                       [](QWidget* f) { return FormRegistry::Tag(f) == QLatin1String("StationGraph"); });
}

} // namespace

class tst_LoginHandler : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }
    void cleanup()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    void mappingDecision_data()
    {
        QTest::addColumn<Table>("table9");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<Table>("table0");
        QTest::addColumn<bool>("blocking");
        QTest::addColumn<bool>("mapping");
        const Table noBits(256, 0);
        Table bit6 = noBits;
        bit6[4] = 0x40;
        Table bit7 = noBits;
        bit7[6] = 0x81;
        Table otherBits = noBits;
        otherBits[3] = 0x3F;
        otherBits[7] = 0xC0; // register 7 is not looked at
        QTest::newRow("marker, no terminal: mapping without bits 6 or 7") << Table{6555, 33793} << true << noBits
                                                                           << false << true;
        QTest::newRow("6555 with 9558 at position 200: none, whatever marker and bits")
            << [] { Table t(201, 33793); t[0] = 6555; t[200] = 9558; return t; }() << true << bit6 << true << false;
        QTest::newRow("9395 with 9558 at position 1") << Table{9395, 9558} << true << noBits << true << false;
        QTest::newRow("4555 with 9558: not a listed coupler, mapping") << Table{4555, 9558} << true << noBits << false
                                                                        << true;
        QTest::newRow("type 65551 reads as 6555") << Table{65551, 33793, 9558} << true << noBits << true << false;
        QTest::newRow("terminal 9558 in any longer number counts (first four digits)")
            << Table{7555, 33793, 9558} << false << bit7 << true << false;
        QTest::newRow("no marker, bit 6 of register 4") << Table{6555, 33793} << false << bit6 << false << true;
        QTest::newRow("no marker, bit 7 of register 6") << Table{6555, 33793} << false << bit7 << false << true;
        QTest::newRow("no marker, other bits only") << Table{6555, 33793} << false << otherBits << false << false;
    }
    void mappingDecision()
    {
        QFETCH(Table, table9);
        QFETCH(bool, marker);
        QFETCH(Table, table0);
        QFETCH(bool, blocking);
        QFETCH(bool, mapping);
        QCOMPARE(fHasBlockingTerminal(image(table9)), blocking);
        QCOMPARE(fMappingWanted(marker, blocking, image(table0)), mapping);
    }

    void logInLogAndStatus()
    {
        CommandTestProgram p;
        ScriptedChannel& c = prepareChannel(p);
        p.env.context().gLogBox = p.w().logBox(); // as the program runs: one box
        AppendLogText(p.env.context().gLogBox, QStringLiteral("earlier text\r\n"));
        c.failNextReads(1); // the probe answers at the second try
        logIn(p);
        const QString text = p.w().logBox()->Text();
        QVERIFY2(text.startsWith(QStringLiteral("Online\r\nCheck diagnostic data ...\r\n")), qPrintable(text));
        QVERIFY(!text.contains(QLatin1String("Timeout")));
        QVERIFY(!text.contains(QLatin1String("earlier")));
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Online "));
        QVERIFY(p.commands().login().mappingRequested());
        QVERIFY(shell().gStationNode);
        QCOMPARE(shell().gCurrentStation, shell().gStationNode);
        QVERIFY(p.w().tvTreeView()->topLevelItemCount() > 0);

        pugi::xml_document copy;
        QVERIFY(copy.load_file(QFile::encodeName(p.commands().login().debugCopyPath()).constData()));
        QVERIFY(copy.child("Station"));

        logOut(p);
        QCOMPARE(p.w().logBox()->Text(), QStringLiteral("Offline\r\n"));
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Offline"));
        QVERIFY(!shell().gStationNode);
        QCOMPARE(p.w().tvTreeView()->topLevelItemCount(), 0);
        p.env.context().gLogBox = &p.env.log();
    }

    void markerMismatch_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("lines");
        QTest::newRow("English") << 1 << EnglishMismatch;
        QTest::newRow("German") << 0 << GermanMismatch;
    }
    void markerMismatch()
    {
        QFETCH(int, language);
        QFETCH(QString, lines);
        CommandTestProgram p;
        gCommon().setLanguageType(language);
        ScriptedChannel& c = prepareChannel(p);
        serveCoupler(c, {6555, 33793}, 0x1234);
        p.w().mnuOptionItem().setChecked(3, true);
        p.env.log().SetText({});
        logIn(p);
        QCOMPARE(p.env.log().Text(), QStringLiteral("Online\r\n") + lines);
        QVERIFY(!p.w().mnuOptionItem().isChecked(3));
        QVERIFY(!p.w().mnuOptionItem().isEnabled(3));
        QVERIFY2(!p.commands().login().mappingRequested(), "no marker, no bits: no mapping");
        logOut(p);
        QVERIFY(p.w().mnuOptionItem().isEnabled(3));
    }

    void failedMarkerReadSaysNothing()
    {
        CommandTestProgram p;
        ScriptedChannel& c = prepareChannel(p);
        serveCoupler(c, {6555, 33793});
        c.setTable(0, 0, QVector<int32_t>(200, 0)); // register 244 does not exist
        p.w().mnuOptionItem().setChecked(3, true);
        p.env.log().SetText({});
        logIn(p);
        // The station reader has its say about the short table; the check says nothing.
        QVERIFY(p.env.log().Text().startsWith(QStringLiteral("Online\r\n")));
        QVERIFY(!p.env.log().Text().contains(QLatin1String("Online Monitoring")));
        QVERIFY(p.w().mnuOptionItem().isChecked(3));
        QVERIFY(p.w().mnuOptionItem().isEnabled(3));
        QVERIFY(!p.commands().login().mappingRequested());
    }

    void markerFadingBeforeGraph_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("line");
        QTest::newRow("English") << 1
                                 << "Setup Mode: Maybe the feature is not automatically supported by this coupler-firmware.\r\n";
        QTest::newRow("German") << 0
                                << "Online Monitoring: Eventuell wird Online Monitoring auf dem Koppler-Firmware nicht "
                                   "automatisch unterstützt.\r\n";
    }
    void markerFadingBeforeGraph()
    {
        QFETCH(int, language);
        QFETCH(QString, line);
        CommandTestProgram p;
        gCommon().setLanguageType(language);
        auto channel = std::make_unique<FadingMarkerChannel>();
        FadingMarkerChannel* c = channel.get();
        serveCoupler(*c, {6555, 33793});
        p.env.context().gObjDevCom = std::move(channel);
        p.w().mnuOptionItem().setChecked(2, true);
        p.w().mnuOptionItem().setChecked(3, true);
        p.env.log().SetText({});
        logIn(p);
        QCOMPARE(c->markerReads, 2);
        QCOMPARE(p.env.log().Text(), QStringLiteral("Online\r\n") + line);
        // Both languages take the item away; it would offer what the coupler cannot do.
        QVERIFY(!p.w().mnuOptionItem().isChecked(3));
        QVERIFY(!p.w().mnuOptionItem().isEnabled(3));
        QVERIFY(p.commands().login().mappingRequested());
        QVERIFY(hasStationGraph());
    }

    void stationGraphFollowsOption_data()
    {
        QTest::addColumn<bool>("graph");
        QTest::newRow("graph option on") << true;
        QTest::newRow("graph option off") << false;
    }
    void stationGraphFollowsOption()
    {
        QFETCH(bool, graph);
        CommandTestProgram p;
        prepareChannel(p);
        p.w().mnuOptionItem().setChecked(2, graph);
        logIn(p);
        QCOMPARE(hasStationGraph(), graph);
        logOut(p);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!hasStationGraph());
    }

    void deviceFileQuestionComesOnce_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("OK deletes the cached descriptions") << int(vbOK) << true;
        QTest::newRow("Cancel keeps them") << int(vbCancel) << false;
    }
    void deviceFileQuestionComesOnce()
    {
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        CommandTestProgram p;
        prepareChannel(p);
        QVERIFY(p.w().mnuOptionItem().isChecked(5));
        const QString cached = p.env.tempPath() + QStringLiteral("/res/Devices/XX9999-0000.xml");
        {
            QFile f(cached);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<Devices/>");
        }
        p.env.dialogs().answers = {answer};
        logIn(p);
        QCOMPARE(p.env.dialogs().messages,
                 QStringList{"Create new XML device files. Delete really old XML device files?|33|"
                             "Create new XML device files"});
        QCOMPARE(!QFile::exists(cached), deleted);
        QVERIFY(p.commands().login().deviceFileQuestionAsked());
        logOut(p);
        logIn(p);
        QCOMPARE(p.env.dialogs().messages.size(), 1);
    }

    void deviceFileQuestionInGerman()
    {
        CommandTestProgram p;
        gCommon().setLanguageType(0);
        prepareChannel(p);
        logIn(p);
        QCOMPARE(p.env.dialogs().messages,
                 QStringList{"Erstelle neue XML Geräte Dateien. Alte XML Geräte Dateien wirklich löschen?|33|"
                             "Erstelle neue XML Geräte Dateien"});
    }

    void noQuestionWithoutOption()
    {
        CommandTestProgram p;
        prepareChannel(p);
        p.w().mnuOptionItem().setChecked(5, false);
        logIn(p);
        QVERIFY(p.env.dialogs().messages.isEmpty());
        QVERIFY(!p.commands().login().deviceFileQuestionAsked());
    }

    void failedRequestEndsLogIn_data()
    {
        QTest::addColumn<int>("language"); // index of the language menu item
        QTest::addColumn<int>("table");    // of the coupler; its reads fail with code
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("line");
        QTest::newRow("terminal list refused, German")
            << 0 << 9 << int(ChRange)
            << "Einloggen fehlgeschlagen: Lesen der Klemmenliste des Kopplers (Position 0, Tabelle 9, Register 0 bis "
               "254) ergab Code 4099 (Bereich über das Tabellenende). Es wird keine Station angezeigt.";
        QTest::newRow("identity silent, English")
            << 1 << 0 << int(ChTimeout)
            << "Log-in failed: reading the coupler's identity (position 0, table 0, registers 200 to 254) gave code "
               "4097 (time-out). No station is shown.";
        QTest::newRow("diagnosis silent, English")
            << 1 << 90 << int(ChTimeout)
            << "Log-in failed: reading the coupler's diagnosis (position 0, table 90, registers 0 to 64) gave code "
               "4097 (time-out). No station is shown.";
    }

    void failedRequestEndsLogIn()
    {
        QFETCH(int, language);
        QFETCH(int, table);
        QFETCH(int, code);
        QFETCH(QString, line);
        CommandTestProgram p;
        ScriptedChannel& c = prepareChannel(p);
        p.commands().mnuLanguageItem_Click(int16_t(language));
        p.env.context().gLogBox = p.w().logBox();
        logIn(p);
        QVERIFY(p.commands().gProject().Online());
        logOut(p);

        if (table == 9)
            c.setTable(0, 9, Table{4555, 33793, 0, 0}); // the probe's two registers, not the whole list
        else
            c.failReads(0, table, code);
        c.calls.clear();
        logIn(p);
        // Offline, the port closed, no station, one line that names what failed.
        QVERIFY(!p.commands().gProject().Online());
        QVERIFY(!c.isOpen);
        QCOMPARE(p.w().tvTreeView()->topLevelItemCount(), 0);
        QVERIFY(!shell().gStationNode);
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Offline"));
        const QStringList log = p.w().logBox()->Text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(log.first(), QStringLiteral("Online"));
        QCOMPARE(log.filter(QRegularExpression(QStringLiteral("^(Log-in failed|Einloggen fehlgeschlagen)"))),
                 QStringList{line});
        QCOMPARE(log.last(), QStringLiteral("Offline"));
        // Nothing was sent after the failed request.
        const QStringList calls = c.callLog().filter(QStringLiteral("read"));
        QCOMPARE(calls.last().section(QLatin1Char(' '), 1, 2), QStringLiteral("0 %1").arg(table));
        p.env.context().gLogBox = &p.env.log();
    }

    void developerLiftsAndRestoresProtection()
    {
        CommandTestProgram p;
        gCommon().setAccessLevel(1);
        prepareChannel(p);
        RecordingDeviceService* service = p.factory->service;
        QVERIFY(service);
        logIn(p);
        QCOMPARE(service->calls, QStringList{"AbolishProtection 0"});
        logOut(p);
        // clsProject restores it before the event, the handler once more.
        QCOMPARE(service->calls, (QStringList{"AbolishProtection 0", "AbolishProtection 1", "AbolishProtection 1"}));
    }

    void readsInTheirOrder()
    {
        CommandTestProgram p;
        ScriptedChannel& c = prepareChannel(p);
        logIn(p);
        const QStringList calls = c.callLog();
        const qsizetype marker = calls.lastIndexOf(QStringLiteral("read 0 0 244 1"));
        QVERIFY(marker > 0);
        QCOMPARE(calls.mid(marker, 3), (QStringList{"read 0 0 244 1", "read 0 9 0 255", "read 0 0 0 255"}));
        QVERIFY2(calls.indexOf(QStringLiteral("read 0 90 0 65")) < marker, "the diagnosis comes before the check");
    }
};

QTEST_MAIN(tst_LoginHandler)
#include "tst_loginhandler.moc"
