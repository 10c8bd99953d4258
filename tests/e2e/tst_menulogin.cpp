// Log-in and log-out driven through the main window's F11 and F12 against the
// virtual coupler, over the program's own serial channel as the settings name it.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "platform/StringTable.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modLogin.h"
#include "shell/modStartup.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString Key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

const QString DiagnosisOk = QStringLiteral("Check diagnostic data ...\r\n"
                                           "Check diagnostic data is OK\r\n"
                                           "Check diagnostic data finished\r\n");

struct MenuProgram {
    TestEnv env;
    VirtualCoupler coupler;
    std::unique_ptr<frmMain> window;

    bool start(const QString& station)
    {
        if (!coupler.start(station))
            return false;
        RegistryStore& store = *env.context().store;
        const auto set = [&](const char* name, const QString& value) {
            return store.setValue(HKEY_CURRENT_USER, Key, QLatin1String(name), RegValue::fromText(value));
        };
        if (!set("Device", QStringLiteral("0")) || !set("Port", QString::number(coupler.comNumber()))
            || !set("Baud", QStringLiteral("19200")) || !set("Timeout", QStringLiteral("500")))
            return false;
        gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res"));
        QDir().mkpath(env.tempPath() + QStringLiteral("/res/Devices"));
        env.dialogs().answers = {vbCancel, vbCancel}; // keep the (empty) description cache
        window = std::make_unique<frmMain>();
        window->setEndProcess([] {});
        window->commands().login().readContext().debugFolder = env.tempPath();
        env.context().gLogBox = window->logBox();
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }
    ~MenuProgram()
    {
        env.context().gLogBox = &env.log();
        window.reset();
        if (AppContext::current())
            app().gObjDevChannel = nullptr;
    }

    frmMain& w() { return *window; }
    QString log() const { return window->logBox()->Text(); }
    bool online() { return window->commands().gProject().Online(); }
    void press(Qt::Key key) { QTest::keyClick(window.get(), key); }
};

// "Pos n" of every device node, in tree order.
QStringList positions(QTreeWidget* tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0).section(QLatin1Char(':'), 0, 0);
    return out;
}

} // namespace

class tst_MenuLogin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }

    void f11FillsTreeAndLogF12EmptiesIt()
    {
        MenuProgram p;
        QVERIFY2(p.start(QStringLiteral("vn6555-demo.xml")), qPrintable(p.coupler.output()));
        p.press(Qt::Key_F11);
        QVERIFY(p.online());
        QCOMPARE(p.log(), QStringLiteral("Online\r\n") + DiagnosisOk);
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Online "));

        QTreeWidget* tree = p.w().tvTreeView();
        QCOMPARE(positions(tree), (QStringList{"Pos 0", "Pos 1", "Pos 2", "Pos 3", "Pos 4", "Pos 5", "Pos 6"}));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Pos 0: VN6555-5555  (VN6555)"));

        // The marker is there: the mapping is computed into the station the tree shows.
        QVERIFY(p.w().commands().login().mappingRequested());
        QVERIFY(shell().gStationNode.child("Mapping"));
        QVERIFY(p.coupler.requests().contains(QStringLiteral("read 0 0 3 4 = 0")));
        QVERIFY(p.w().mnuOptionItem().isEnabled(3));
        QVERIFY(QFile::exists(p.w().commands().login().debugCopyPath()));

        p.press(Qt::Key_F12);
        QVERIFY(!p.online());
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(p.log(), QStringLiteral("Offline\r\n"));
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Offline"));
        QVERIFY(!shell().gStationNode);
    }

    void markerMismatchDisablesMonitoring()
    {
        MenuProgram p;
        QVERIFY2(p.start(QStringLiteral("vn6555-nomon.xml")), qPrintable(p.coupler.output()));
        QVERIFY(p.w().mnuOptionItem().isEnabled(3));
        p.press(Qt::Key_F11);
        QVERIFY(p.online());
        QCOMPARE(p.log(), QStringLiteral("Online\r\n") + DiagnosisOk
                              + QStringLiteral("Online Monitoring: Maybe the feature is not automatically supported "
                                               "by this coupler-firmware.\r\n"
                                               "Online Monitoring: The function Online Monitoring is deactivated.\r\n"));
        QVERIFY(!p.w().mnuOptionItem().isChecked(3));
        QVERIFY(!p.w().mnuOptionItem().isEnabled(3));
        QCOMPARE(p.w().tvTreeView()->topLevelItemCount(), 7);
        p.press(Qt::Key_F12);
        QVERIFY(p.w().mnuOptionItem().isEnabled(3));
    }

    void terminal9558ComputesNoMapping()
    {
        MenuProgram p;
        QVERIFY2(p.start(QStringLiteral("vn6555-9558.xml")), qPrintable(p.coupler.output()));
        p.press(Qt::Key_F11);
        QVERIFY(p.online());
        QCOMPARE(p.w().commands().login().table9Image()[6], 9558);
        QVERIFY(!p.w().commands().login().mappingRequested());
        QVERIFY(!shell().gStationNode.child("Mapping"));
        QVERIFY(!p.coupler.requests().contains(QStringLiteral("read 0 0 3 4 = 0")));
        QCOMPARE(positions(p.w().tvTreeView()),
                 (QStringList{"Pos 0", "Pos 1", "Pos 2", "Pos 3", "Pos 4", "Pos 5", "Pos 6", "Pos 7"}));
        // The marker is there and says nothing is missing: no monitoring lines.
        QCOMPARE(p.log(), QStringLiteral("Online\r\n") + DiagnosisOk);
    }

    // A time-out no channel can use, as another tool may leave it: the start-up names it and
    // runs with the default, so a silent coupler costs four default time-outs, not minutes.
    void storedTimeoutOutOfRangeAgainstASilentCoupler()
    {
        TestEnv env;
        VirtualCoupler coupler;
        QVERIFY2(coupler.start(QStringLiteral("vn4555.xml"), {"--silent"}), qPrintable(coupler.output()));
        RegistryStore& store = *env.context().store;
        for (const auto& [name, value] : {std::pair{"Device", QStringLiteral("0")},
                                          {"Port", QString::number(coupler.comNumber())},
                                          {"Timeout", QStringLiteral("2147483647")},
                                          {"Splash", QStringLiteral("0")}})
            QVERIFY(store.setValue(HKEY_CURRENT_USER, Key, QLatin1String(name), RegValue::fromText(value)));
        env.context().gLogBox = nullptr; // as in the program: no log before the main window
        std::unique_ptr<frmMain> window(Main(env.context()));
        QVERIFY(window);
        window->setEndProcess([] {});
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        const QString named = QStringLiteral("Stored value \"Timeout\" = \"2147483647\" ignored "
                                             "(not a number from 1 to 60000); 500 is used.\r\n");
        QCOMPARE(window->logBox()->Text(), QStringLiteral("Welcome to TD4700 !\r\n") + named);

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(window.get(), Qt::Key_F11);
        const qint64 elapsed = clock.elapsed();
        QVERIFY(!window->commands().gProject().Online());
        QVERIFY2(elapsed >= 4 * 500 - 50 && elapsed < 4 * 500 + 1000, qPrintable(QString::number(elapsed)));
        QVERIFY(window->logBox()->Text().endsWith(QStringLiteral("0 Timeout\r\n1 Timeout\r\n2 Timeout\r\n3 Timeout\r\n")));
        QCOMPARE(window->logBox()->Text().count(named), 1); // named at start-up, not again at F11
        QCOMPARE(window->statusPanel(2)->text(), QStringLiteral("Offline"));
        QCOMPARE(coupler.requests().size(), 4);

        env.context().gLogBox = &env.log();
        window.reset();
        app().gObjDevChannel = nullptr;
    }
};

QTEST_MAIN(tst_MenuLogin)
#include "tst_menulogin.moc"
