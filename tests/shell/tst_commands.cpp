// The main window's command dispatch over scripted channels: log-in and
// log-out, channel re-initialisation, the channel dialogs, options and panes,
// the language command, Exit, Save As, and the menu state on the window.
#include "CommandTestProgram.h"
#include "common/WindowSystem.h"

#include "channels/QnpChannelDialog.h"
#include "channels/frmParamVnDcHW4565.h"
#include "channels/frmParamVnDcCOM.h"
#include "platform/FormRegistry.h"
#include "platform/StringTable.h"
#include "shell/ShellContext.h"
#include "shell/modPaneSettings.h"
#include "tools/frmFirmwareUpdate.h"
#include "tools/frmScript.h"
#include "tools/frmScriptInitTerm.h"
#include "tools/ScriptRunnerDialog.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString Key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

QString userValue(TestEnv& env, uint32_t root, const QString& name)
{
    const std::optional<RegValue> v = env.context().store->value(root, Key, name);
    return v ? v->text : QStringLiteral("<missing>");
}

// Counts the channel re-initialisations: each one assigns devChannel.
struct InitCounter {
    int count = 0;
    QMetaObject::Connection connection;
    InitCounter()
    {
        connection = QObject::connect(&gCommon(), &clsCommon::ChangedDevChannel, [this](int32_t&) { ++count; });
    }
    ~InitCounter() { QObject::disconnect(connection); }
};

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QStringList loadedForms()
{
    QStringList names;
    for (QWidget* form : FormRegistry::Forms())
        names << form->objectName();
    return names;
}

QStringList documentTitles(frmMain& w)
{
    QStringList titles;
    for (QMdiSubWindow* sub : w.mdiArea()->subWindowList())
        titles << sub->windowTitle();
    return titles;
}

QList<int> visibleItems(MenuArray& items)
{
    QList<int> out;
    for (int i : items.indexes())
        if (items.isVisible(i))
            out << i;
    return out;
}

QList<int> enabledVisibleItems(MenuArray& items)
{
    QList<int> out;
    for (int i : items.indexes())
        if (items.isVisible(i) && items.isEnabled(i))
            out << i;
    return out;
}

} // namespace

class tst_Commands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(loadStringTable(QCoreApplication::applicationDirPath() + "/Resource/StringTable.txt")); }
    void cleanup() { flushDeletes(); }

    void menuLogInInitialisesTwiceToolbarOnce_data()
    {
        QTest::addColumn<bool>("toolbar");
        QTest::addColumn<int>("initialisations");
        QTest::newRow("menu") << false << 2;
        QTest::newRow("toolbar") << true << 1;
    }
    void menuLogInInitialisesTwiceToolbarOnce()
    {
        QFETCH(bool, toolbar);
        QFETCH(int, initialisations);
        CommandTestProgram p;
        InitCounter inits;
        if (toolbar)
            p.w().tbToolBar().button(QStringLiteral("OnlineLog"))->trigger();
        else
            p.w().mnuOnlineItem().item(1)->trigger();
        QCOMPARE(inits.count, initialisations);
        QVERIFY(p.commands().gProject().Online());
        QVERIFY(p.factory->serial);
        QCOMPARE(p.env.context().gObjDevChannel, static_cast<IDeviceChannel*>(p.factory->serial));
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Online "));
    }

    void logOutFromMenuAndToolbar_data()
    {
        QTest::addColumn<bool>("toolbar");
        QTest::newRow("menu") << false;
        QTest::newRow("toolbar") << true;
    }
    void logOutFromMenuAndToolbar()
    {
        QFETCH(bool, toolbar);
        CommandTestProgram p;
        p.env.context().gLogBox = p.w().logBox(); // one box, as the program runs
        p.w().mnuOnlineItem().item(1)->trigger();
        p.w().mnuOptionItem().setEnabled(3, false);
        if (toolbar)
            p.w().tbToolBar().button(QStringLiteral("OfflineLog"))->trigger();
        else
            p.w().mnuOnlineItem().item(2)->trigger();
        QVERIFY(!p.commands().gProject().Online());
        QVERIFY2(p.w().mnuOptionItem().isEnabled(3), "log-out enables Online Monitoring again");
        QCOMPARE(p.w().statusPanel(2)->text(), QStringLiteral("Offline"));
        QCOMPARE(p.w().logBox()->Text(), QStringLiteral("Offline\r\n"));
        QCOMPARE(p.factory->serial->callLog().last(), QStringLiteral("close"));
        p.env.context().gLogBox = &p.env.log();
    }

    void submenuTitlesOnlyInitialise_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("Terminal") << 7;
        QTest::newRow("Coupler") << 8;
        QTest::newRow("Station") << 10;
        QTest::newRow("DevOnly") << 12;
    }
    void submenuTitlesOnlyInitialise()
    {
        QFETCH(int, index);
        CommandTestProgram p;
        flushDeletes();
        const QStringList before = loadedForms();
        InitCounter inits;
        QMenu* sub = p.w().mnuOnlineItem().item(index)->menu();
        QVERIFY(sub);
        Q_EMIT sub->aboutToShow();
        QCOMPARE(inits.count, 1);
        QCOMPARE(loadedForms(), before);
        QVERIFY(!p.commands().gProject().Online());
        QCOMPARE(p.env.log().Text(), QString());
    }

    void servicesFromToolbarSkipsInitialisation_data()
    {
        QTest::addColumn<bool>("toolbar");
        QTest::addColumn<int>("initialisations");
        QTest::newRow("Coupler menu item") << false << 1;
        QTest::newRow("toolbar button") << true << 0;
    }
    void servicesFromToolbarSkipsInitialisation()
    {
        QFETCH(bool, toolbar);
        QFETCH(int, initialisations);
        CommandTestProgram p;
        InitCounter inits;
        if (toolbar)
            p.commands().tbToolBar_ButtonClick(QStringLiteral("Services"));
        else
            p.commands().mnuOnlineCouplerItem_Click(0);
        QCOMPARE(inits.count, initialisations);
        QCOMPARE(documentTitles(p.w()).last(), QStringLiteral("Services"));
    }

    void channelItems_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("logged");
        QTest::newRow("via COM...") << 0 << "frmParamVnDcCOM" << "COM";
        QTest::newRow("via QNP... opens the CV3 dialog") << 1 << "frmParamVnDcQNPCV3" << "QNP";
        QTest::newRow("via HW4565...") << 2 << "frmParamVnDcHW4565" << "HW4565";
        QTest::newRow("hidden via QNP with CV3... opens the plain QNP dialog") << 3 << "frmParamVnDcQNP" << "QNP";
    }
    void channelItems()
    {
        QFETCH(int, index);
        QFETCH(QString, dialog);
        QFETCH(QString, logged);
        CommandTestProgram p;
        AppContext& context = p.env.context();
        fInitDevChannel(context); // the serial channel of a fresh store is current
        IDeviceChannel* current = context.gObjDevChannel;
        InitCounter inits;

        p.commands().mnuDevChannelItem_Click(int16_t(index));

        QCOMPARE(inits.count, 1); // the assignment of devChannel, no re-initialisation
        for (int i = 0; i <= 3; ++i)
            QCOMPARE(p.w().mnuDevChannelItem().isChecked(i), i == index);
        QCOMPARE(p.env.log().Text(), QStringLiteral("Device communication channel switched to ") + logged + "\r\n");
        QWidget* opened = p.commands().lastOpened();
        QVERIFY(opened);
        QCOMPARE(opened->objectName(), dialog);
        QVERIFY(opened->isVisible());
        QCOMPARE(userValue(p.env, HKEY_CURRENT_USER, QStringLiteral("Device")), QStringLiteral("0"));
        if (auto* qnp = qobject_cast<QnpChannelDialog*>(opened)) {
            QCOMPARE(qnp->companyName(), QStringLiteral("Harmsted"));
            QCOMPARE(qnp->channel(), static_cast<IDeviceChannel*>(context.m_objDevQnpObj.get()));
            QCOMPARE(qnp->variant(), index == 1 ? QnpVariant::CV3 : QnpVariant::Plain);
        } else if (auto* link = qobject_cast<frmParamVnDcHW4565*>(opened)) {
            QCOMPARE(link->companyName(), QStringLiteral("Harmsted"));
        }
        QCOMPARE(context.gObjDevChannel, current); // the command changes no channel
        if (index == 1 || index == 3)
            QVERIFY(p.factory->qnp);
    }

    void cancelledDialogLeavesCheckMarkUntilNextInitialisation()
    {
        CommandTestProgram p;
        fInitDevChannel(p.env.context());
        p.commands().mnuDevChannelItem_Click(1);
        QWidget* dialog = p.commands().lastOpened();
        QVERIFY(dialog);
        dialog->close();
        flushDeletes();
        QVERIFY(p.w().mnuDevChannelItem().isChecked(1));
        // The next Coupler command re-reads "Device", still "0".
        Q_EMIT p.w().mnuOnlineCouplerItem().menu()->aboutToShow();
        QVERIFY(p.w().mnuDevChannelItem().isChecked(0));
        QVERIFY(!p.w().mnuDevChannelItem().isChecked(1));
    }

    void changedDevChannelMovesCheckMark_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("checked"); // -1: none
        QTest::newRow("2 checks the disabled, hidden HW4565 item") << 2 << 2;
        QTest::newRow("3") << 3 << 3;
        QTest::newRow("outside 0..3 checks nothing") << 7 << -1;
        QTest::newRow("beyond 16 bits checks nothing") << 65536 << -1;
    }
    void changedDevChannelMovesCheckMark()
    {
        QFETCH(int, channel);
        QFETCH(int, checked);
        CommandTestProgram p;
        gCommon().setDevChannel(channel);
        for (int i = 0; i <= 3; ++i)
            QCOMPARE(p.w().mnuDevChannelItem().isChecked(i), i == checked);
        QVERIFY(!p.w().mnuDevChannelItem().isEnabled(2));
    }

    void languageCommandWritesMachineValue_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("caption");
        QTest::newRow("English") << 1 << "1" << "Log&in";
        QTest::newRow("German") << 0 << "0" << "&Einloggen";
    }
    void languageCommandWritesMachineValue()
    {
        QFETCH(int, index);
        QFETCH(QString, machine);
        QFETCH(QString, caption);
        CommandTestProgram p;
        QVERIFY(p.env.context().store->setValue(HKEY_LOCAL_MACHINE, Key, QStringLiteral("Language"),
                                                RegValue::fromText(QStringLiteral("x"))));
        p.w().mnuLanguageItem().item(index)->trigger();
        QCOMPARE(userValue(p.env, HKEY_LOCAL_MACHINE, QStringLiteral("Language")), machine);
        QCOMPARE(gCommon().LanguageType(), index);
        QCOMPARE(p.w().mnuOnlineItem().caption(1), caption);
        QVERIFY(p.w().mnuLanguageItem().isChecked(index));
    }

    void languageSwitchClosesOtherForms()
    {
        CommandTestProgram p;
        p.commands().mnuOnlineItem_Click(16);
        QVERIFY(loadedForms().contains(QStringLiteral("frmScript")));
        p.w().mnuLanguageItem().item(0)->trigger();
        flushDeletes();
        QVERIFY(!loadedForms().contains(QStringLiteral("frmScript")));
    }

    void exitSavesNothing()
    {
        CommandTestProgram p;
        p.w().move(p.w().pos() + QPoint(40, 30));
        p.w().mnuOptionItem().item(2)->trigger(); // unchecks "Grafik der Station anzeigen"
        p.w().mnuProjectItem().item(21)->trigger();
        QCOMPARE(p.ends, 1);
        QCOMPARE(userValue(p.env, HKEY_CURRENT_USER, QStringLiteral("MainLeft")), QStringLiteral("1000"));
        QCOMPARE(userValue(p.env, HKEY_CURRENT_USER, QStringLiteral("MainTop")), QStringLiteral("1000"));
        QCOMPARE(userValue(p.env, HKEY_CURRENT_USER, QStringLiteral("EnableGraphic")), QStringLiteral("1"));
    }

    void commandsThatDoNothing()
    {
        CommandTestProgram p;
        flushDeletes();
        const QStringList forms = loadedForms();
        InitCounter inits;
        for (const char* key : {"NewProject", "OpenProject", "PrintProject", "Seperator1", "", "newproject"})
            p.commands().tbToolBar_ButtonClick(QLatin1String(key));
        for (int position : {6, 7, 8, 11, 12, 13, 15, 16, 17, 20, 21, 22})
            p.w().tbToolBar().button(position)->trigger();
        for (int i : p.w().mnuDevOnlyItem().indexes())
            p.w().mnuDevOnlyItem().item(i)->trigger();
        for (int i : {1, 2, 3, 5, 8, 9, 11, 12})
            p.commands().mnuProjectItem_Click(int16_t(i));
        p.commands().mnuOnlineTerminalItem_Click(1);
        p.commands().mnuHelpItem_Click(3);
        QCOMPARE(inits.count, 0);
        QCOMPARE(loadedForms(), forms);
        QCOMPARE(p.env.log().Text(), QString());
        QCOMPARE(p.ends, 0);
    }

    void optionToggles()
    {
        CommandTestProgram p;
        MenuArray& o = p.w().mnuOptionItem();
        const QString paneKey0 = paneKey(0);
        QVERIFY(o.isChecked(2) && !o.isChecked(3) && o.isChecked(5));
        o.item(2)->trigger();
        o.item(3)->trigger();
        QVERIFY(!o.isChecked(2) && o.isChecked(3));
        QCOMPARE(userValue(p.env, HKEY_CURRENT_USER, QStringLiteral("EnableGraphic")), QStringLiteral("1"));
        o.item(5)->trigger();
        QVERIFY(!o.isChecked(5));
        QCOMPARE(fWertLesen(*p.env.context().store, HKEY_CURRENT_USER, paneKey0, QStringLiteral("DeleteDevices")),
                 QStringLiteral("0"));
        o.item(5)->trigger();
        QCOMPARE(fWertLesen(*p.env.context().store, HKEY_CURRENT_USER, paneKey0, QStringLiteral("DeleteDevices")),
                 QStringLiteral("1"));
    }

    void paneCommandsToggle()
    {
        CommandTestProgram p;
        p.w().mnuOptionAnsichtItem().item(0)->trigger();
        QVERIFY(p.w().picMDIHor()->isHidden());
        p.w().tbToolBar().button(QStringLiteral("Berichtsbox"))->trigger();
        QVERIFY(!p.w().picMDIHor()->isHidden());
        p.w().tbToolBar().button(QStringLiteral("Baumansicht"))->trigger();
        QVERIFY(p.w().picMDI()->isHidden());
        QVERIFY(!p.w().mnuOptionAnsichtItem().isChecked(1));
        p.w().mnuOptionAnsichtItem().item(1)->trigger();
        QVERIFY(!p.w().picMDI()->isHidden());
        QVERIFY(p.w().mnuOptionAnsichtItem().isChecked(1));
    }

    void toolsOpenWithStationAndChannel_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("mode");
        QTest::newRow("Firmware Load") << "online" << 14 << "frmFirmwareUpdate" << "FIRMWARE_LOAD";
        QTest::newRow("Firmware Update") << "coupler" << 5 << "frmFirmwareUpdate" << "FIRMWARE_UPDATE";
        QTest::newRow("coupler script") << "coupler" << 2 << "frmScriptInitCoupler" << "";
        QTest::newRow("terminal script") << "terminal" << 0 << "frmScriptInitTerm" << "";
    }
    void toolsOpenWithStationAndChannel()
    {
        QFETCH(QString, menu);
        QFETCH(int, index);
        QFETCH(QString, dialog);
        QFETCH(QString, mode);
        CommandTestProgram p;
        p.w().mnuOnlineItem().item(1)->trigger(); // online: a station and a channel
        QVERIFY(shell().gCurrentStation);
        if (menu == QLatin1String("online"))
            p.commands().mnuOnlineItem_Click(int16_t(index));
        else if (menu == QLatin1String("coupler"))
            p.commands().mnuOnlineCouplerItem_Click(int16_t(index));
        else
            p.commands().mnuOnlineTerminalItem_Click(int16_t(index));
        QWidget* opened = p.commands().lastOpened();
        QVERIFY(opened);
        QCOMPARE(opened->objectName(), dialog);
        QVERIFY(opened->isVisible());
        if (auto* runner = qobject_cast<ScriptRunnerDialog*>(opened)) {
            QCOMPARE(runner->station(), shell().gCurrentStation);
            QCOMPARE(runner->channel(), p.env.context().gObjDevChannel);
            return;
        }
        auto* firmware = qobject_cast<frmFirmwareUpdate*>(opened);
        QVERIFY(firmware);
        QCOMPARE(firmware->station(), shell().gCurrentStation);
        QCOMPARE(firmware->channel(), p.env.context().gObjDevChannel);
        QCOMPARE(firmware->mode(), mode);
    }

    void terminalScriptClosesStationGraph()
    {
        CommandTestProgram p;
        p.w().mnuOnlineItem().item(1)->trigger(); // "Grafik der Station anzeigen" is checked: a graph opens
        const QList<QWidget*> forms = FormRegistry::Forms();
        QVERIFY(std::any_of(forms.begin(), forms.end(),
                            [](QWidget* f) { return FormRegistry::Tag(f) == QLatin1String("StationGraph"); }));
        p.commands().mnuOnlineTerminalItem_Click(0);
        flushDeletes();
        for (QWidget* f : FormRegistry::Forms())
            QVERIFY(FormRegistry::Tag(f) != QLatin1String("StationGraph"));
        QVERIFY(loadedForms().contains(QStringLiteral("frmScriptInitTerm")));
    }

    void converterIsShownAfterLoad()
    {
        CommandTestProgram p;
        p.w().mnuOnlineItem().item(16)->trigger();
        auto* form = qobject_cast<frmScript*>(p.commands().lastOpened());
        QVERIFY(form);
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QString());
    }

    void saveAs_data()
    {
        QTest::addColumn<bool>("station");
        QTest::addColumn<QString>("answer"); // file name in the test folder, "" for cancel
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("log");
        QTest::newRow("saved") << true << "s.tdt" << true << "";
        QTest::newRow("cancelled dialog: nothing") << true << "" << false << "";
        QTest::newRow("no station: nothing") << false << "s.tdt" << false << "";
        QTest::newRow("unwritable path: logged") << true << "missing/s.tdt" << false
                                                 << "Station could not be saved (the folder does not exist): %1\r\n";
    }
    void saveAs()
    {
        QFETCH(bool, station);
        QFETCH(QString, answer);
        QFETCH(bool, saved);
        QFETCH(QString, log);
        CommandTestProgram p;
        pugi::xml_document doc;
        doc.load_string("<Station><Devices/></Station>");
        shell().gCurrentStation = station ? doc.child("Station") : pugi::xml_node();
        const QString path = answer.isEmpty() ? QString() : p.env.tempPath() + QLatin1Char('/') + answer;
        p.env.dialogs().saveFileAnswer = path;
        p.commands().mnuProjectItem_Click(6);
        QCOMPARE(QFile::exists(path), saved);
        if (saved) {
            pugi::xml_document back;
            QVERIFY(back.load_file(QFile::encodeName(path).constData()));
            QVERIFY(back.child("Station").child("Devices"));
        }
        QCOMPARE(p.env.log().Text(), log.contains(QLatin1String("%1")) ? log.arg(path) : log);
        shell().gCurrentStation = pugi::xml_node();
    }

    void menuStateOfTheEdition()
    {
        CommandTestProgram p;
        MenuArray& project = p.w().mnuProjectItem();
        MenuArray& online = p.w().mnuOnlineItem();
        // Offline, production access: Project shows only Exit.
        QCOMPARE(visibleItems(project), QList<int>{21});
        QCOMPARE(visibleItems(online), (QList<int>{1, 2, 3, 7, 8, 9, 16}));
        QCOMPARE(enabledVisibleItems(online), (QList<int>{1, 3, 9, 16}));
        QVERIFY(p.w().mnuOptionItem().isEnabled(1));
        QVERIFY(p.w().mnuOnlineItem().item(1)->shortcut() == QKeySequence(Qt::Key_F11));
        QVERIFY(p.w().mnuOnlineItem().item(2)->shortcut() == QKeySequence(Qt::Key_F12));

        p.w().mnuOnlineItem().item(1)->trigger();
        QCOMPARE(enabledVisibleItems(online), (QList<int>{2, 3, 7, 8, 9, 16}));
        QVERIFY(!p.w().mnuOptionItem().isEnabled(1));
        ToolbarButtons& tb = p.w().tbToolBar();
        QVERIFY(!tb.button(4)->isEnabled());
        QVERIFY(tb.button(10)->isEnabled() && tb.button(14)->isEnabled() && !tb.button(9)->isEnabled());

        p.w().mnuOnlineItem().item(2)->trigger();
        QCOMPARE(enabledVisibleItems(online), (QList<int>{1, 3, 9, 16}));
        QVERIFY2(!tb.button(4)->isEnabled(), "Print stays disabled after a log-out");
        for (int position : {1, 2, 3})
            QVERIFY(!tb.button(position)->isEnabled());
    }

    void developerMenus()
    {
        CommandTestProgram p(1);
        MenuArray& online = p.w().mnuOnlineItem();
        QCOMPARE(visibleItems(online), (QList<int>{1, 2, 3, 7, 8, 9, 12, 13, 14, 16}));
        QVERIFY(!online.isEnabled(12));
        QVERIFY(online.isEnabled(14));
        QCOMPARE(visibleItems(p.w().mnuProjectItem()), QList<int>{21});
    }

    void serialTestTakesNoInputElsewhere()
    {
        // F11 in the main window while the serial dialog tests the port would log in on
        // that port, and the dialog's OK would then close it under the live station.
        CommandTestProgram p;
        fInitDevChannel(p.env.context());
        p.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&p.w()));
        p.commands().mnuDevChannelItem_Click(0);
        auto* dialog = qobject_cast<frmParamVnDcCOM*>(p.commands().lastOpened());
        QVERIFY(dialog);
        ScriptedChannel& channel = *p.factory->serial;
        channel.failNextReads(3); // the test waits between its reads
        channel.calls.clear();
        int pressed = 0;
        QTimer::singleShot(0, &p.w(), [&] {
            QApplication::setActiveWindow(&p.w());
            QTest::keyClick(&p.w(), Qt::Key_F11);
            QTest::mouseClick(p.w().tvTreeView()->viewport(), Qt::LeftButton);
            ++pressed;
        });
        dialog->findChild<QPushButton*>(QStringLiteral("cmdTest"))->click();
        QCOMPARE(pressed, 1);
        QVERIFY(!p.commands().gProject().Online());
        QCOMPARE(channel.callLog().filter(QStringLiteral("read")).size(), 4); // the test's own reads only
        QVERIFY(!p.env.log().Text().contains(QLatin1String("Online")));

        // After the test the main window takes input again.
        QApplication::setActiveWindow(&p.w());
        QTest::keyClick(&p.w(), Qt::Key_F11);
        QVERIFY(p.commands().gProject().Online());
        p.commands().mnuOnlineItem_Click(2);
    }

    void waitsTakeNoInput_data()
    {
        QTest::addColumn<bool>("untilDone");
        QTest::newRow("wait") << false;
        QTest::newRow("wait until done") << true;
    }
    // A wait runs inside a caller's work (a restart, the splash): a view the tree opened or a
    // log-out run in it would pull the station from under that work. The close comes after it.
    void waitsTakeNoInput()
    {
        QFETCH(bool, untilDone);
        CommandTestProgram p;
        p.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&p.w()));
        p.commands().mnuOnlineItem_Click(1);
        QVERIFY(p.commands().gProject().Online());
        QTreeWidget* tree = p.w().tvTreeView();
        tree->expandAll();
        QTreeWidgetItem* node = nullptr;
        for (int i = 0; i < shell().gViews.Count() && !node; ++i)
            if (shell().gViews.At(i)->ViewProgID == QLatin1String("TableView"))
                node = shell().gViews.At(i)->TreeNode;
        QVERIFY(node);
        tree->scrollToItem(node);
        const QPoint at = tree->visualItemRect(node).center();

        const QSignalSpy opened(tree, &QTreeWidget::itemDoubleClicked);
        bool inside = false;
        QTimer::singleShot(50, &p.w(), [&] {
            QApplication::setActiveWindow(&p.w());
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
            QTest::keyClick(&p.w(), Qt::Key_F12);
            sendCloseRequest(p.w());
            inside = true;
        });
        QtDialogs dialogs;
        if (untilDone)
            dialogs.WaitUntil(300, [] { return false; });
        else
            dialogs.Wait(300);
        QVERIFY(inside);
        QCOMPARE(opened.count(), 0);
        QVERIFY(p.commands().gProject().Online());
        QVERIFY(p.w().isVisible());
        QTRY_VERIFY(!p.w().isVisible());
        QCOMPARE(p.env.context().gObjDevChannel, nullptr);
    }
};

QTEST_MAIN(tst_Commands)
#include "tst_commands.moc"
