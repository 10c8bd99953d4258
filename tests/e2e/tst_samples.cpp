// The sample files of vcoupler/samples, each picked in the tool that takes it
// and run against the demo station that ./run plays, the demo settings of
// ./run that name the samples folder as the firmware folder, and the README's
// steps from the serial port to the network channel and back, run inside
// scripts/demo-env.sh as ./run runs the program.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "platform/RegistryStore.h"
#include "platform/SerialChannel.h"
#include "platform/StringTable.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modLogin.h"
#include "shell/modStartup.h"
#include "tools/ScriptFile.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScript.h"
#include "tools/frmScriptInitCoupler.h"
#include "tools/frmScriptInitTerm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace {

const QString Samples = QStringLiteral(TD4700_SOURCE_DIR "/vcoupler/samples");
const QString Key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

QString sample(const char* name) { return Samples + QLatin1Char('/') + QLatin1String(name); }

// Set for the copy of this test that demo-env.sh runs as its program.
constexpr char InsideDemo[] = "TST_SAMPLES_INSIDE_DEMO";

QString storedText(const char* name)
{
    const RegistryStore store(qEnvironmentVariable("TD4700_REGISTRY_DIR"));
    const std::optional<RegValue> value = store.value(HKEY_CURRENT_USER, Key, QLatin1String(name));
    return value ? value->text : QStringLiteral("<missing>");
}

// The window a channel menu item opened (an earlier one may wait for its deletion).
QWidget* shownDialog(frmMain& window, const char* name)
{
    for (QWidget* w : window.findChildren<QWidget*>(QLatin1String(name)))
        if (w->isVisible())
            return w;
    return nullptr;
}

// The README's steps, inside demo-env.sh, in a window the program's own start-up made: via QNP...
// with what the dialog offers, OK, F11; F12, via COM..., OK, F11. Prints what each step shows.
int demoChannelSteps()
{
    AppContext context;
    AppContext::setCurrent(&context);
    auto recording = std::make_unique<RecordingDialogs>();
    RecordingDialogs& said = *recording;
    context.dialogs = std::move(recording);
    QPointer<frmMain> window = Main(context);
    if (!window || !QTest::qWaitForWindowActive(window))
        return 1;
    window->commands().login().readContext().debugFolder = qEnvironmentVariable("TD4700_DEMO_DIR");
    QTextStream out(stdout);
    const auto logIn = [&] {
        window->activateWindow(); // back from the closed dialog, as the window system does it
        if (!QTest::qWaitForWindowActive(window))
            out << "main window not active\n";
        QTest::keyClick(window, Qt::Key_F11);
        QElapsedTimer clock;
        clock.start();
        while (window->statusPanel(2)->text().trimmed() != QLatin1String("Online") && clock.elapsed() < 20000)
            QTest::qWait(20);
        out << "F11: " << window->statusPanel(2)->text() << "\n";
    };
    const auto pressOK = [&](QWidget* dialog) {
        dialog->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        out << "OK: Device " << storedText("Device") << "\n";
    };

    window->mnuDevChannelItem().item(1)->trigger();
    QWidget* qnp = shownDialog(*window, "frmParamVnDcQNPCV3");
    if (!qnp)
        return 1;
    out << "via QNP...: net id " << qnp->findChild<QLineEdit*>(QStringLiteral("editIpAddr_0"))->text() << ", port "
        << qnp->findChild<QLineEdit*>(QStringLiteral("editIpAddr_4"))->text() << "\n";
    pressOK(qnp);
    logIn();
    QTest::keyClick(window, Qt::Key_F12);

    window->mnuDevChannelItem().item(0)->trigger();
    QWidget* com = shownDialog(*window, "frmParamVnDcCOM");
    if (!com)
        return 1;
    out << "via COM...: port " << com->findChild<QComboBox*>(QStringLiteral("comboSelPort_0"))->currentText() << "\n";
    pressOK(com);
    logIn();
    for (const QString& message : said.messages)
        out << "message: " << message << "\n";
    out.flush();
    std::fputs(qPrintable(window->logBox()->Text()), stderr);

    context.gLogBox = nullptr;
    delete window;
    return 0;
}

struct Demo {
    TestEnv env;
    VirtualCoupler coupler;
    SerialChannel channel;

    bool start() { return coupler.start(QStringLiteral("vn6555-demo.xml")) && coupler.openSerial(channel, 500); }
    int32_t reg(int pos, int table, int r)
    {
        int32_t v[1] = {-1};
        return channel.VbRegSyncReadReq(pos, table, r, 1, v) == 0 ? v[0] : -1;
    }
    ~Demo() { channel.PortClose(); }
};

using Registers = QList<QPair<int, int>>; // offset, value

Registers registers(const std::vector<ScriptRegister>& regs)
{
    Registers out;
    for (const ScriptRegister& r : regs)
        out << qMakePair(r.offset.value_or(-1), r.value.ok() ? r.value.word : -1);
    return out;
}

} // namespace

class tst_Samples : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }

    void couplerScriptVerifies()
    {
        Demo d;
        QVERIFY2(d.start(), qPrintable(d.coupler.output()));
        d.env.dialogs().openFileAnswer = sample("demo-coupler.xml");
        d.env.dialogs().answers = {vbNo}; // no reboot: the registers are read back below
        frmScriptInitCoupler form;
        form.RefreshData({}, &d.channel, QString());
        QVERIFY(form.findChild<QLineEdit*>("txtDesc")->text().startsWith("Demo coupler"));
        form.cmdScriptStart_Click();
        QCOMPARE(form.logText(), QStringLiteral("\r\nTabelle: 000\r\n"
                                                "Register: 002\tDatum : 0003 (00003)\tVerify : OK\tauto reset, diagnostics\r\n"
                                                "Register: 009\tDatum : 0064 (00100)\tVerify : OK\tSYNC_0 hold 100\r\n"
                                                "Register: 010\tDatum : 00C8 (00200)\tVerify : OK\tSYNC_1 hold 200\r\n"));
        QCOMPARE(d.reg(0, 0, 2), 3);
        QCOMPARE(d.reg(0, 0, 9), 100);
        QCOMPARE(d.reg(0, 0, 10), 200);
    }

    // Positions 3 (four channels) and 4 (two) are the demo's register terminals.
    void terminalScriptShowsTheFailure_data()
    {
        QTest::addColumn<bool>("resume");
        QTest::addColumn<int>("channelsRun");
        QTest::addColumn<QString>("last");
        QTest::newRow("stops at the value that does not verify")
            << false << 1 << "Nicht verifizierte Register: 1, nicht geschriebene: 9, ausgelassene Registerklemmen: 1";
        QTest::newRow("resume on ignore runs every channel") << true << 6 << "Nicht verifizierte Register: 6";
    }
    void terminalScriptShowsTheFailure()
    {
        QFETCH(bool, resume);
        QFETCH(int, channelsRun);
        QFETCH(QString, last);
        Demo d;
        QVERIFY2(d.start(), qPrintable(d.coupler.output()));
        d.env.dialogs().openFileAnswer = sample("demo-terminal.xml");
        frmScriptInitTerm form;
        form.RefreshData({}, &d.channel, QString());
        QCOMPARE(form.findChild<QSpinBox*>("fpEndPos")->value(), 5);
        form.findChild<QCheckBox*>("chkResume")->setChecked(resume);
        const int32_t held = d.reg(3, 0, 34);
        form.cmdScriptStart_Click();

        const QString log = form.logText();
        QCOMPARE(log.count("Register: 032\tDatum : 0010 (00016)\tVerify : OK\t= 16\r\n"), channelsRun);
        QCOMPARE(log.count("Register: 033\tDatum : 0064 (00100)\tVerify : OK\t= 100\r\n"), channelsRun);
        // The value no register holds is refused, not written as 0.
        QCOMPARE(log.count("Register: 034\tDatum : 65536 (kein 16-Bit-Wert, nicht geschrieben)\tVerify : Ignore\ttoo large\r\n"),
                 channelsRun);
        QCOMPARE(d.reg(3, 0, 34), held);
        QVERIFY(d.coupler.requests().filter(QRegularExpression(QStringLiteral("^write \\d+ \\d+ 34 "))).isEmpty());
        QCOMPARE(log.endsWith("Error Script-Init Abort \r\n" + last + "\r\n"), !resume);
        QVERIFY2(log.endsWith(last + "\r\n"), qPrintable(log.right(200)));
        QCOMPARE(d.reg(3, 0, 33), 100);
        QCOMPARE(d.reg(4, 1, 33), resume ? 100 : 0);
        QCOMPARE(d.reg(3, 0, 31), 0); // locked again, also after the abort
    }

    // Each old script converts to the registers of its XML twin (the terminal's without the one that fails).
    void oldScriptsConvert_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("twin");
        QTest::newRow("terminal .tsi") << true << sample("demo-terminal.tsi") << sample("demo-terminal.xml");
        QTest::newRow("coupler .csi") << false << sample("demo-coupler.csi") << sample("demo-coupler.xml");
    }
    void oldScriptsConvert()
    {
        QFETCH(bool, terminal);
        QFETCH(QString, ini);
        QFETCH(QString, twin);
        TestEnv env;
        env.dialogs().openFileAnswer = ini;
        frmScript form;
        terminal ? form.cmdTSIOeffnen_Click() : form.cmdCSIOeffnen_Click();
        const QByteArray xml = form.xmlText().toUtf8();
        ScriptDocument converted, expected;
        QVERIFY2(converted.loadBuffer(xml.constData(), size_t(xml.size())), xml.constData());
        QVERIFY(expected.load(twin));
        if (terminal) {
            Registers want = registers(readTerminalScript(expected.script()).registers);
            want.removeLast();
            QCOMPARE(registers(readTerminalScript(converted.script()).registers), want);
        } else {
            const CouplerScript got = readCouplerScript(converted.script());
            const CouplerScript want = readCouplerScript(expected.script());
            QCOMPARE(got.tables.size(), size_t(1));
            QCOMPARE(got.tables[0].number, want.tables[0].number);
            QCOMPARE(registers(got.tables[0].registers), registers(want.tables[0].registers));
        }
    }

    void firmwareUpdates()
    {
        Demo d;
        QVERIFY2(d.start(), qPrintable(d.coupler.output()));
        QCOMPARE(d.reg(0, 0, 255), 0xBA00);
        d.env.dialogs().openFileAnswer = sample("demo-firmware.hex");
        frmFirmwareUpdate form;
        form.RefreshData({}, &d.channel, QStringLiteral("FIRMWARE_UPDATE"));
        form.findChild<QPushButton*>("cmdScriptStart")->click();
        QVERIFY2(form.log().Text().endsWith("Finished download... OK "), qPrintable(form.log().Text()));
        QCOMPARE(d.reg(0, 0, 255), 0xBA01);
        QVERIFY(d.coupler.requests().contains("service firmware begin 1 0 4096 = 0"));
    }

    // What the firmware dialog finds as its folder: the samples, whatever the last run left there.
    void demoSettingsNameTheSamplesFolder()
    {
        QTemporaryDir demo;
        const QString registry = demo.filePath("registry");
        {
            RegistryStore store(registry);
            QVERIFY(store.setValue(HKEY_CURRENT_USER, Key, "PathResFirmware", RegValue::fromText("/left/by/the/last/run")));
            QVERIFY(store.setValue(HKEY_CURRENT_USER, Key, "Splash", RegValue::fromText("0")));
        }
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TD4700_DEMO_DIR", demo.path());
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(TD4700_SOURCE_DIR "/scripts/demo-env.sh"),
                  {QCoreApplication::applicationDirPath() + "/..", "/bin/true"});
        QVERIFY(run.waitForFinished(30000));
        QVERIFY2(run.exitCode() == 0, run.readAllStandardError().constData());

        const RegistryStore store(registry);
        const std::optional<RegValue> folder = store.value(HKEY_CURRENT_USER, Key, "PathResFirmware");
        QVERIFY(folder);
        QCOMPARE(QFileInfo(folder->text).canonicalFilePath(), QFileInfo(Samples).canonicalFilePath());
        QCOMPARE(store.value(HKEY_CURRENT_USER, Key, "Splash")->text, QStringLiteral("0"));
    }

    // The net id an earlier demo run left is replaced by the one the coupler answers.
    void readmeChannelStepsReachTheDemo()
    {
        QTemporaryDir demo;
        QVERIFY(QDir().mkpath(demo.filePath("res/Devices")));
        {
            RegistryStore store(demo.filePath("registry"));
            for (const auto& [name, value] : {std::pair{"Splash", QString("0")},
                                              std::pair{"PathResCommon", demo.filePath("res")},
                                              std::pair{"QnpRtnNetId", QString("127.0.0.1.1.1")}})
                QVERIFY(store.setValue(HKEY_CURRENT_USER, Key, name, RegValue::fromText(value)));
        }
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TD4700_DEMO_DIR", demo.path());
        env.insert(InsideDemo, "1");
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(TD4700_SOURCE_DIR "/scripts/demo-env.sh"),
                  {QCoreApplication::applicationDirPath() + "/..", QCoreApplication::applicationFilePath()});
        QVERIFY(run.waitForFinished(120000));
        const QString log = QString::fromUtf8(run.readAllStandardError());
        QVERIFY2(run.exitCode() == 0, qPrintable(log));
        QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).split('\n'),
                 QStringList({"via QNP...: net id 169.12.1.106.1.1, port 100", "OK: Device 1", "F11: Online ",
                              "via COM...: port COM2", "OK: Device 0", "F11: Online ",
                              "message: Create new XML device files. Delete really old XML device files?|33|Create new XML device files", ""}));
    }
};

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (qEnvironmentVariableIsSet(InsideDemo))
        return demoChannelSteps();
    tst_Samples test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_samples.moc"
