// Both script runner dialogs against the virtual coupler, through the serial channel.
#include "common/ScriptedChannel.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "common/WindowSystem.h"
#include "platform/AppContext.h"
#include "platform/LocaleInfo.h"
#include "platform/ProtocolDeviceService.h"
#include "platform/clsCommon.h"
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"
#include "platform/StringTable.h"
#include "tools/frmScriptInitCoupler.h"
#include "tools/frmScriptInitTerm.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QtTest>

namespace {

const char* const CouplerScriptXml = R"(<Script><Desc>Demo</Desc>
  <Table><Nummer>0</Nummer>
    <Register><Offset>1</Offset><Value>3</Value><Desc>Mode</Desc></Register>
    <Register><Offset>2</Offset><Value>0x10</Value></Register>
    <Register><Offset>3</Offset><Value>100</Value><Desc>Hex</Desc></Register>
  </Table>
  <Table><Nummer>5</Nummer>
    <Register><Offset>7</Offset><Value>FF</Value><Desc>Limit</Desc></Register>
    <Register><Offset>8</Offset><Value>0</Value></Register>
  </Table>
</Script>)";

const QString Reboot = QStringLiteral("You have to reboot to activate new settings !\r\n\r\nReboot ?|4|Script");

struct Bench {
    TestEnv env;
    VirtualCoupler coupler;
    SerialChannel channel;
    QnpChannel network; // the same coupler through the router

    bool openNetwork()
    {
        qputenv("TD4700_QNP_ROUTER", coupler.routerAddress().toLocal8Bit());
        auto* param = dynamic_cast<IQNPDeviceParam*>(network.GetDeviceParamObj());
        param->SetNetId(coupler.netId());
        param->SetPort(coupler.qnpPort());
        param->SetTimeout(300);
        return network.PortOpen() == 0;
    }
    bool start(const QStringList& options = {})
    {
        if (!coupler.start(QStringLiteral("scripts.xml"), options))
            return false;
        auto* param = dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj());
        param->SetPort(coupler.comNumber());
        param->SetTimeout(300);
        return channel.PortOpen() == 0;
    }
    QString script(const char* xml)
    {
        const QString path = env.tempPath() + QStringLiteral("/script.xml");
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(xml);
        env.dialogs().openFileAnswer = path;
        return path;
    }
    int32_t reg(int pos, int table, int r)
    {
        int32_t v[1] = {-1};
        return channel.VbRegSyncReadReq(pos, table, r, 1, v) == 0 ? v[0] : -1;
    }
    ~Bench()
    {
        channel.PortClose();
        network.PortClose();
    }
};

// Three register terminals of four channels each, a device service that lifts the
// protection, and one register of the first channel that refuses every write.
class RefusingStation : public ScriptedChannel {
public:
    RefusingStation()
    {
        QVector<int32_t> list(256, 0);
        list[0] = 4555;
        for (int pos = 1; pos <= 3; ++pos) {
            list[pos] = 3000 + pos;
            for (int table = 0; table < 4; ++table)
                setTable(pos, table, QVector<int32_t>(64, 0));
            setRegister(pos, 0, 11, 0x0400);
        }
        setTable(0, 9, list);
    }
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        if (pos == 1 && table == 0 && first == 33)
            return 0x2001;
        return ScriptedChannel::VbRegSyncWriteReq(pos, table, first, count, buffer);
    }
    int32_t ServiceRequest(uint8_t, const QByteArray&, QByteArray&) override { return ChOk; }
};

} // namespace

class tst_ScriptRunners : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }

    // A value that does not verify stops the run with "Fehler" before register 8, a refused write or
    // read-back with its code too; lost links are rows of the fault matrix (tests/e2e/tst_faultmatrix_tools.cpp).
    // A restart the coupler refuses is logged after the run.
    void couplerRuns_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("logEnd");
        QTest::addColumn<QString>("reboot"); // the restart request as the coupler saw it
        const QString head = QStringLiteral("\r\nTabelle: 000\r\n"
                                            "Register: 001\tDatum : 0003 (00003)\tVerify : OK\tMode\r\n"
                                            "Register: 002\tDatum : 0010 (00016)\tVerify : OK\t\r\n"
                                            "Register: 003\tDatum : 0100 (00256)\tVerify : OK\tHex\r\n"
                                            "\r\nTabelle: 005\r\n");
        const QString all = head + "Register: 007\tDatum : 00FF (00255)\tVerify : OK\tLimit\r\n"
                                   "Register: 008\tDatum : 0000 (00000)\tVerify : OK\t\r\n";
        const QString rebooted = QStringLiteral("service reboot = 0");
        QTest::newRow("all verify") << QStringList{} << all << rebooted;
        QTest::newRow("mismatching read-back")
            << QStringList{"--mask-register", "5/7:0x000F"}
            << head + "Register: 007\tDatum : 00FF (00255)\tVerify : Fehler\tLimit\r\nError script-init ! Abort.\r\n"
            << rebooted;
        QTest::newRow("refused write")
            << QStringList{"--fail-register-write", "5/7:0x2001"}
            << head + "Register: 007\tDatum : 00FF (00255)\tVerify : Fehler (Code: 8193)\tLimit\r\n"
                      "Error script-init ! Abort.\r\n"
            << rebooted;
        QTest::newRow("refused read-back")
            << QStringList{"--fail-register-read", "5/7:0x2002"}
            << head + "Register: 007\tDatum : 00FF (00255)\tVerify : Fehler (Code: 8194)\tLimit\r\n"
                      "Error script-init ! Abort.\r\n"
            << rebooted;
        QTest::newRow("refused restart") << QStringList{"--fault", "error:0x2003@service:1"}
                                         << all + "\r\nReboot: Fehler (Code: 8195)\r\n" << "service 1 = 8195";
    }
    void couplerRuns()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, logEnd);
        Bench b;
        QVERIFY2(b.start(options), qPrintable(b.coupler.output()));
        b.script(CouplerScriptXml);
        frmScriptInitCoupler form;
        form.RefreshData({}, &b.channel, QString());
        QCOMPARE(form.findChild<QLineEdit*>("txtDesc")->text(), QStringLiteral("Demo"));
        form.cmdScriptStart_Click();
        QCOMPARE(form.logText(), logEnd);
        QCOMPARE(b.env.dialogs().messages, QStringList{Reboot}); // offered whether or not all verified
        const QStringList requests = b.coupler.requests();
        QCOMPARE(requests.contains("write 0 5 8 1 = 0"), logEnd.contains(QLatin1String("Register: 008")));
        QFETCH(QString, reboot);
        QVERIFY2(requests.contains(reboot), qPrintable(requests.join('\n'))); // answered Yes
    }

    // After the run: a restart whose answer was lost may be under way, so it is not called failed; a
    // developer's protection-off waits for the restart, and its failure is logged.
    void couplerRestart_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("developer");
        QTest::addColumn<QString>("logTail");
        QTest::addColumn<QString>("lastRequest");
        const QString noAnswer = QStringLiteral("\r\nReboot: keine Antwort (Code: %1), der Koppler startet möglicherweise neu\r\n");
        QTest::newRow("reply lost") << QStringList{"--fault", "lost@service:1"} << false << noAnswer.arg(4097) << "";
        QTest::newRow("reply garbled") << QStringList{"--fault", "garbled@service:1"} << false << noAnswer.arg(4102) << "";
        QTest::newRow("developer: protection off after the restart")
            << QStringList{} << true << "\tVerify : OK\t\r\n" << "service protection 0 = 0";
        QTest::newRow("developer: reply lost, protection off after the restart")
            << QStringList{"--fault", "lost@service:1"} << true << noAnswer.arg(4097) << "service protection 0 = 0";
        QTest::newRow("developer: protection off refused")
            << QStringList{"--fault", "error:0x2004@service:2#2"} << true
            << "\r\nAbolish protection: Fehler (Code: 8196)\r\n" << "service 2 = 8196";
    }
    void couplerRestart()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, developer);
        Bench b;
        b.env.dialogs().realWaits = true;
        QVERIFY2(b.start(options), qPrintable(b.coupler.output()));
        const int32_t level = gCommon().AccessLevel();
        gCommon().setAccessLevel(developer ? 1 : 2);
        app().gObjDevSrv = std::make_unique<DeviceService>();
        b.script(CouplerScriptXml);
        frmScriptInitCoupler form;
        form.RefreshData({}, &b.channel, QString());
        form.cmdScriptStart_Click();
        app().gObjDevSrv.reset();
        gCommon().setAccessLevel(level);
        QFETCH(QString, logTail);
        QVERIFY2(form.logText().endsWith(logTail), qPrintable(form.logText()));
        QVERIFY(!form.logText().contains(QLatin1String("Reboot: Fehler")));
        QFETCH(QString, lastRequest);
        const QStringList requests = b.coupler.requests().filter(QRegularExpression("^service"));
        if (!lastRequest.isEmpty())
            QCOMPARE(requests.last(), lastRequest);
    }

    void terminalChannelsAreUnlockedOnlyForTheirWrites()
    {
        Bench b;
        QVERIFY2(b.start(), qPrintable(b.coupler.output()));
        // Locked: the write is answered but not taken.
        const int32_t v[1] = {7};
        QCOMPARE(b.channel.VbRegSyncWriteReq(1, 0, 40, 1, v), 0);
        QCOMPARE(b.reg(1, 0, 40), 0);

        b.script("<Script><Register><Offset>32</Offset><Value>0x1234</Value><Desc>Gain</Desc></Register>"
                 "<Register><Offset>33</Offset><Value>70000</Value></Register></Script>");
        frmScriptInitTerm form;
        form.RefreshData({}, &b.channel, QString());
        QCOMPARE(form.findChild<QSpinBox*>("fpEndPos")->value(), 4);
        QVERIFY(!form.findChild<QCheckBox*>("chkResume")->isChecked());
        form.findChild<QSpinBox*>("fpEndPos")->setValue(1);

        form.findChild<QCheckBox*>("chkResume")->setChecked(true);
        form.cmdScriptStart_Click();
        const QString log = form.logText();
        QVERIFY(log.contains("\r\nChannel: 1\r\n") && log.contains("\r\nChannel: 2\r\n"));
        QCOMPARE(log.count("Register: 032\tDatum : 1234 (04660)\tVerify : OK\tGain\r\n"), 2);
        QCOMPARE(log.count("Verify : Ignore"), 2);
        for (int table : {0, 1}) {
            QCOMPARE(b.reg(1, table, 31), 0);
            QCOMPARE(b.reg(1, table, 32), 0x1234);
        }

        // Aborted in channel 1: that channel is locked again, channel 2 never unlocked.
        form.findChild<QCheckBox*>("chkResume")->setChecked(false);
        form.cmdScriptStart_Click();
        QVERIFY2(form.logText().endsWith("\r\nDelete codeword\r\nError Script-Init Abort \r\n"
                                                  "Nicht verifizierte Register: 1, nicht geschriebene: 2\r\n"),
                 qPrintable(form.logText()));
        QVERIFY(!form.logText().contains("Channel: 2"));
        QCOMPARE(b.reg(1, 0, 31), 0);
    }

    // A wheel turned over the form moves neither end of the range of terminals written.
    void wheelLeavesTheTerminalRangeAlone()
    {
        Bench b;
        QVERIFY2(b.start(), qPrintable(b.coupler.output()));
        frmScriptInitTerm form;
        form.RefreshData({}, &b.channel, QString());
        auto* start = form.findChild<QSpinBox*>("fpStartPos");
        auto* end = form.findChild<QSpinBox*>("fpEndPos");
        turnWheel(start, 1);
        turnWheel(end, -1);
        QCOMPARE(start->value(), 1);
        QCOMPARE(end->value(), 4);
    }

    // A value no register holds is never sent, over either channel, once cut to 16 bits: the
    // coupler run stops at it, the terminal run ignores it in each channel; the register keeps its value.
    void valuesNoRegisterHoldsAreNeverSent_data()
    {
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("value");
        for (const bool network : {false, true}) {
            const char* transport = network ? "network" : "serial";
            for (const char* v : {"10000", "99999999999", "-1"})
                QTest::addRow("%s, coupler %s", transport, v) << network << false << QString::fromLatin1(v);
            for (const char* v : {"70000", "-1", "0x10000"})
                QTest::addRow("%s, terminal %s", transport, v) << network << true << QString::fromLatin1(v);
        }
    }
    void valuesNoRegisterHoldsAreNeverSent()
    {
        QFETCH(bool, network);
        QFETCH(bool, terminal);
        QFETCH(QString, value);
        Bench b;
        QVERIFY2(b.start() && (!network || b.openNetwork()), qPrintable(b.coupler.output()));
        IDeviceChannel* link = network ? static_cast<IDeviceChannel*>(&b.network) : &b.channel;
        const QString refused = QStringLiteral("Datum : %1 (kein 16-Bit-Wert, nicht geschrieben)\tVerify : ").arg(value);
        const QRegularExpression writeOf(terminal ? QStringLiteral("^write 1 \\d+ 33 ") : QStringLiteral("^write 0 5 8 "));
        const auto held = [&] { return terminal ? b.reg(1, 1, 33) : b.reg(0, 5, 8); };
        const int32_t before = held();

        if (terminal) {
            b.script(QStringLiteral("<Script><Register><Offset>32</Offset><Value>0x1234</Value></Register>"
                                    "<Register><Offset>33</Offset><Value>%1</Value><Desc>big</Desc></Register></Script>")
                         .arg(value).toUtf8().constData());
            frmScriptInitTerm form;
            form.RefreshData({}, link, QString());
            form.findChild<QSpinBox*>("fpEndPos")->setValue(1);
            form.findChild<QCheckBox*>("chkResume")->setChecked(true);
            form.cmdScriptStart_Click();
            QCOMPARE(form.logText().count("Register: 033\t" + refused + "Ignore\tbig\r\n"), 2); // both channels
            QCOMPARE(b.reg(1, 0, 32), 0x1234);
        } else {
            b.script(QStringLiteral("<Script><Table><Nummer>5</Nummer><Register><Offset>7</Offset><Value>FF</Value></Register>"
                                    "<Register><Offset>8</Offset><Value>%1</Value><Desc>big</Desc></Register>"
                                    "<Register><Offset>9</Offset><Value>1</Value></Register></Table></Script>")
                         .arg(value).toUtf8().constData());
            frmScriptInitCoupler form;
            form.RefreshData({}, link, QString());
            b.env.dialogs().answers = {vbNo}; // no reboot: the register is read afterwards
            form.cmdScriptStart_Click();
            QVERIFY2(form.logText().endsWith("Register: 008\t" + refused + "Fehler\tbig\r\nError script-init ! Abort.\r\n"),
                     qPrintable(form.logText()));
            QVERIFY(b.coupler.requests().contains("write 0 5 7 1 = 0"));
            QVERIFY(b.coupler.requests().filter(QStringLiteral("write 0 5 9 ")).isEmpty());
        }
        QCOMPARE(b.coupler.requests().filter(writeOf), QStringList());
        QCOMPARE(held(), before);
    }

    // The file dialog opened at once by a form just shown belongs to that form, not to the
    // window still active; it lists both letter cases and adds ".xml". Other messages belong
    // to the active window.
    void dialogsOpenOverTheirWindow()
    {
        TestEnv env;
        env.context().dialogs = std::make_unique<QtDialogs>();
        QWidget main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QWidget* owner = nullptr;
        QString suffix;
        QStringList filters;
        const auto answer = [&] {
            QTimer::singleShot(0, [&] {
                QWidget* modal = QApplication::activeModalWidget();
                QVERIFY(modal);
                owner = modal->parentWidget();
                if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                    suffix = dialog->defaultSuffix();
                    filters = dialog->nameFilters();
                }
                modal->close();
            });
        };

        auto* form = new frmScriptInitCoupler(&main);
        answer();
        form->RefreshData({}, nullptr, QString());
        QCOMPARE(owner, form);
        QCOMPARE(suffix, QStringLiteral("xml"));
        QCOMPARE(filters, QStringList{"Coupler XML Script *.xml (*.xml *.XML)"});

        for (QWidget* active : {static_cast<QWidget*>(&main), static_cast<QWidget*>(form)}) {
            active->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(active));
            answer();
            app().dialogs->MsgBox(QStringLiteral("?"));
            QCOMPARE(owner, active);
        }
    }

    // A register refused in the first channel of a run of twelve: its line is still in the log
    // at the end, however long the log grew, and the last line counts it.
    void longRunKeepsItsFailures()
    {
        TestEnv env;
        RefusingStation station;
        QString registers;
        for (int offset = 32; offset < 52; ++offset)
            registers += QStringLiteral("<Register><Offset>%1</Offset><Value>%2</Value></Register>").arg(offset).arg(offset * 3);
        const QString path = env.tempPath() + QStringLiteral("/long.xml");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(("<Script>" + registers + "</Script>").toUtf8()) > 0);
        file.close();
        env.dialogs().openFileAnswer = path;
        frmScriptInitTerm form;
        form.RefreshData({}, &station, QString());
        QCOMPARE(form.findChild<QSpinBox*>("fpEndPos")->value(), 3);
        form.findChild<QCheckBox*>("chkResume")->setChecked(true);
        form.cmdScriptStart_Click();

        const QString log = form.logText();
        QVERIFY2(log.size() > 8192, qPrintable(QString::number(log.size()))); // longer than the main window's log keeps
        QVERIFY(log.startsWith("\r\nTerminal position: 1\r\n\r\nChannel: 1\r\n"));
        QCOMPARE(log.count("Verify : Ignore"), 1);
        QVERIFY(log.contains("Register: 033\tDatum : 0063 (00099)\tVerify : Ignore (Code: 8193)\t\r\n"));
        QCOMPARE(log.count("\r\nDelete codeword\r\n"), 12);
        QVERIFY2(log.endsWith(QString(80, '-') + "\r\nNicht verifizierte Register: 1\r\n"), qPrintable(log.right(200)));
        // The box shows the log as it is, line by line.
        QCOMPARE(form.findChild<QPlainTextEdit*>("txtLogBox")->toPlainText(), QString(log).replace("\r\n", "\n"));
    }

    void englishCaptions()
    {
        TestEnv env;
        int32_t status = 0;
        LocaleInfo().SetLocale(9, 1, status);
        frmScriptInitTerm form;
        form.RefreshData({}, nullptr, QString());
        QCOMPARE(form.findChild<QCheckBox*>("chkResume")->text(), QStringLiteral("Resume on ignore"));
        QVERIFY(!form.findChild<QCheckBox*>("chkResume")->isChecked());
        QCOMPARE(form.findChild<QLineEdit*>("txtSelScript")->text(), QString()); // the file dialog was cancelled
        QCOMPARE(form.logText(), QStringLiteral("Read terminal list: Fehler (Code: 4103)\r\n"));
    }
};

QTEST_MAIN(tst_ScriptRunners)
#include "tst_scriptrunners.moc"
