// The network channel dialogs and the panel-link dialog against channel
// doubles: stored values, target checks, the set-up pushed into the channel,
// the route lists and route tab, the Test's messages and its input block.
#include "channels/QnpChannelSettings.h"
#include "channels/SerialDialogTestUtil.h"
#include "channels/frmParamVnDcHW4565.h"
#include "channels/frmParamVnDcQNP.h"
#include "channels/frmParamVnDcQNPCV3.h"
#include "common/RegistryWriteLog.h"
#include "common/ScriptedChannel.h"

#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Reads run a hook inside, as window events could.
class HookChannel : public ScriptedChannel {
public:
    RecordingQnpParam param;
    std::function<void()> onRead;
    HookChannel()
    {
        setParamObj(&param);
        setTable(0, 9, {4711, 0});
    }
    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        if (onRead)
            onRead();
        return ScriptedChannel::VbRegSyncReadReq(pos, table, first, count, buffer);
    }
};

QLineEdit* edit(QWidget* f, const QString& name) { return child<QLineEdit>(f, name); }

QStringList rows(QTreeWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        out << QStringLiteral("%1|%2|%3|%4|%5")
                   .arg(item->text(0), item->text(1), item->text(2), item->text(3), item->foreground(0).color().name());
    }
    return out;
}

} // namespace

class tst_QnpDialog : public QObject {
    Q_OBJECT

    std::unique_ptr<TestEnv> m_env;
    RegistryWriteLog* m_registry = nullptr;
    std::unique_ptr<HookChannel> m_channel;
    QPointer<QDialog> m_form;

    template <class Form> Form* open()
    {
        auto* f = new Form;
        m_form = f;
        f->RefreshData({}, m_channel.get(), QString());
        return f;
    }
    QDialog* openVariant(bool cv3)
    {
        return cv3 ? static_cast<QDialog*>(open<frmParamVnDcQNPCV3>()) : open<frmParamVnDcQNP>();
    }
    static void addVariantRows()
    {
        QTest::addColumn<bool>("cv3");
        QTest::newRow("plain") << false;
        QTest::newRow("CV3") << true;
    }
    // A registry route as another tool may have stored it, unchecked.
    void seedRawRegistryRoute(const QString& name, const QByteArray& netId, const QString& address)
    {
        const QString key = kRemoteRoutesKey + QLatin1Char('\\') + name;
        app().store->setValue(HKEY_LOCAL_MACHINE, key, QStringLiteral("Address"), RegValue::fromText(address));
        app().store->setValue(HKEY_LOCAL_MACHINE, key, QStringLiteral("RtnNetId"), RegValue::fromBinary(netId));
    }
    void seedRoutes()
    {
        RouteStore routes(*app().store, *app().gObjRegistry, *app().dialogs);
        routes.SaveRTN(kRouteKindRegistry, "VN-2", "10.0.0.2", "10.0.0.2.1.1");
        routes.SaveRTN(kRouteKindFile, "WQ-3", "10.0.0.3", "10.0.0.3.1.1");
        m_registry->writes.clear();
    }

private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<TestEnv>();
        auto registry = std::make_unique<RegistryWriteLog>(*m_env->context().store);
        m_registry = registry.get();
        m_env->context().gObjRegistry = std::move(registry);
        gCommon();
        m_registry->writes.clear();
        m_channel = std::make_unique<HookChannel>();
    }
    void cleanup()
    {
        delete m_form.data();
        m_channel.reset();
        m_env.reset();
    }

    void okStoresTargetAndSetsUpTheChannel()
    {
        auto* f = open<frmParamVnDcQNPCV3>();
        QCOMPARE(m_registry->writes, QStringList({"Timeout=500", "MultiPoint=0", "QnpRtnNetId=127.0.0.1.1.1", "QnpRtnPort=100"}));
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("127.0.0.1.1.1")); // the stored target, not "000"
        edit(f, "editIpAddr_0")->setText(QStringLiteral("169.012.1.106.1.1"));
        edit(f, "editIpAddr_4")->setText(QStringLiteral("28928"));
        child<QSpinBox>(f, "fpLITimeOut")->setValue(300);
        child<QSpinBox>(f, "fpLImultiPoint")->setValue(3);
        m_registry->writes.clear();

        child<QPushButton>(f, "cmdOK")->click();
        QCOMPARE(m_registry->writes, QStringList({"Device=1", "Timeout=300", "MultiPoint=3",
                                                  "QnpRtnNetId=169.12.1.106.1.1", "QnpRtnPort=28928"}));
        QCOMPARE(m_channel->callLog(), QStringList{"close"});
        QCOMPARE(m_channel->param.calls, QStringList({"Timeout 300", "Port 28928", "NetId 169.12.1.106.1.1"}));
        QTRY_VERIFY(m_form.isNull());
    }

    void badTargetStoresNothing_data()
    {
        QTest::addColumn<QString>("netId");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("timeout");    // typed; empty: left as shown
        QTest::addColumn<QString>("multiPoint");
        QTest::addColumn<QString>("message");
        const QString timeout = QStringLiteral("Timeout muss eine Zahl von 1 bis 60000 sein!|16|Test communication");
        const QString multi = QStringLiteral("Multipoint muss eine Zahl von 0 bis 255 sein!|16|Test communication");
        QTest::newRow("design text 000") << "000" << "100" << "" << "" << "RtnNetID is not valid!|16|Test communication";
        QTest::newRow("port 0") << "10.0.0.1.1.1" << "0" << "" << "" << "QnpPort is not valid!|16|Test communication";
        QTest::newRow("port 65536") << "10.0.0.1.1.1" << "65536" << "" << ""
                                    << "QnpPort is not valid!|16|Test communication";
        QTest::newRow("time-out 0") << "10.0.0.1.1.1" << "100" << "0" << "" << timeout;
        QTest::newRow("time-out 60001") << "10.0.0.1.1.1" << "100" << "60001" << "" << timeout;
        QTest::newRow("multipoint -1") << "10.0.0.1.1.1" << "100" << "" << "-1" << multi;
        QTest::newRow("multipoint 256") << "10.0.0.1.1.1" << "100" << "60000" << "256" << multi;
    }
    void badTargetStoresNothing()
    {
        QFETCH(QString, netId);
        QFETCH(QString, port);
        QFETCH(QString, timeout);
        QFETCH(QString, multiPoint);
        QFETCH(QString, message);
        auto* f = open<frmParamVnDcQNP>();
        edit(f, "editIpAddr_0")->setText(netId);
        edit(f, "editIpAddr_4")->setText(port);
        if (!timeout.isEmpty())
            typeInto(child<QSpinBox>(f, "fpLITimeOut"), timeout);
        if (!multiPoint.isEmpty())
            typeInto(child<QSpinBox>(f, "fpLImultiPoint"), multiPoint);
        m_registry->writes.clear();
        for (const char* button : {"cmdTest", "cmdOK"})
            child<QPushButton>(f, QString::fromLatin1(button))->click();
        QCOMPARE(m_env->dialogs().messages, QStringList({message, message}));
        QVERIFY(m_registry->writes.isEmpty());
        QVERIFY(m_channel->calls.isEmpty());
        QVERIFY(f->isVisible());
    }

    void testMessages_data()
    {
        QTest::addColumn<int>("openResult");
        QTest::addColumn<int>("failingReads");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("answer") << 0 << 0 << QStringList{"Communication with coupler successful|64|Test communication"};
        QTest::newRow("open fails: its code alone") << int(ChOpenFailed) << 0
                                                    << QStringList{"No communication with coupler!\r\n\r\nCode: 4105|16|Test communication"};
        QTest::newRow("four reads fail: both messages")
            << 0 << 4
            << QStringList{"No communication!|16|", "No communication with coupler!\r\n\r\nCode: 4097|16|Test communication"};
    }
    void testMessages()
    {
        QFETCH(int, openResult);
        QFETCH(int, failingReads);
        QFETCH(QStringList, messages);
        m_channel->setOpenResult(openResult);
        m_channel->failNextReads(failingReads, ChTimeout);
        auto* f = open<frmParamVnDcQNPCV3>();
        m_registry->writes.clear();
        child<QPushButton>(f, "cmdTest")->click();
        QCOMPARE(m_env->dialogs().messages, messages);
        QCOMPARE(m_registry->writes.first(), QStringLiteral("Device=1"));
        QCOMPARE(m_channel->readCount(), openResult ? 0 : std::min(failingReads + 1, 4));
        QVERIFY(child<QPushButton>(f, "cmdOK")->isEnabled());
    }

    void testBlocksUserInputAndClosing()
    {
        QWidget mainWindow;
        auto* menuButton = new QPushButton(QStringLiteral("Log in"), &mainWindow);
        int clicks = 0;
        connect(menuButton, &QPushButton::clicked, [&] { ++clicks; });
        mainWindow.show();
        auto* f = open<frmParamVnDcQNPCV3>();
        m_channel->failNextReads(1);
        int reads = 0;
        m_channel->onRead = [&] {
            ++reads;
            QTest::mouseClick(menuButton, Qt::LeftButton);
            QTest::keyClick(menuButton, Qt::Key_Space);
            QVERIFY(!f->close());
            QVERIFY(!child<QPushButton>(f, "cmdCancel")->isEnabled());
        };
        child<QPushButton>(f, "cmdTest")->click();
        QCOMPARE(reads, 2);
        QCOMPARE(clicks, 0);
        QTest::mouseClick(menuButton, Qt::LeftButton);
        QCOMPARE(clicks, 1); // input reaches the window again after the test
    }

    void cv3ListsInStoreOrderAndColours()
    {
        seedRoutes();
        auto* f = open<frmParamVnDcQNPCV3>();
        const QString green = QStringLiteral("#00cc33"), blue = QStringLiteral("#3366ff");
        const QStringList all{"WQ-3|10.0.0.3.1.1|10.0.0.3|Corvane 3|" + green,
                              "User-Defined|10.0.0.1.1.1|10.0.0.1|Corvane 2|" + blue,
                              "VN-2|10.0.0.2.1.1|10.0.0.2|Corvane 2|" + blue};
        QCOMPARE(rows(child<QTreeWidget>(f, "listViewRoutedDevices")), all);
        auto* targets = child<QTreeWidget>(f, "listViewRoutedDevicesToConnect");
        QCOMPARE(rows(targets), all);
        QCOMPARE(targets->columnWidth(0), 120);

        // Taking a target: a WQ name gives port 28928, User-Defined its template.
        targets->itemClicked(targets->topLevelItem(0), 0);
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.3.1.1"));
        QCOMPARE(edit(f, "editIpAddr_4")->text(), QStringLiteral("28928"));
        targets->itemClicked(targets->topLevelItem(2), 0);
        QCOMPARE(edit(f, "editIpAddr_4")->text(), QStringLiteral("100"));
        targets->itemClicked(targets->topLevelItem(1), 0);
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.1.1.1"));
    }

    void routeTabCopiesSavesAndDeletes()
    {
        seedRoutes();
        auto* f = open<frmParamVnDcQNPCV3>();
        auto* list = child<QTreeWidget>(f, "listViewRoutedDevices");
        list->itemClicked(list->topLevelItem(0), 0);
        QCOMPARE(edit(f, "editIpAddrRTN_1")->text(), QStringLiteral("WQ-3"));
        QCOMPARE(child<QComboBox>(f, "cmbRoute")->currentText(), kRouteKindFile);
        QCOMPARE(edit(f, "editIpAddrRTN_2")->palette().color(QPalette::Base), QColor(0x66, 0xFF, 0x00));

        child<QPushButton>(f, "cmdDeleteRoute")->click();
        QCOMPARE(rows(list).size(), 2); // User-Defined and VN-2
        QCOMPARE(rows(child<QTreeWidget>(f, "listViewRoutedDevicesToConnect")).size(), 2);

        // The name field is not checked while typing; the save refuses it.
        edit(f, "editIpAddrRTN_1")->setText(QString());
        child<QPushButton>(f, "cmdSaveRTN")->click();
        QCOMPARE(m_env->dialogs().messages.size(), 1);
        edit(f, "editIpAddrRTN_1")->setText(QStringLiteral("HQ-9"));
        child<QPushButton>(f, "cmdSaveRTN")->click();
        QCOMPARE(rows(list).first().left(5), QStringLiteral("HQ-9|"));
    }

    void plainDialogCombosAndOptions_data()
    {
        QTest::addColumn<QString>("force");
        QTest::addColumn<bool>("runtime2");
        QTest::addColumn<bool>("library");
        QTest::addColumn<QString>("state"); // router enabled, direct enabled, checked option
        QTest::newRow("force 1, both") << "1" << true << true << "01 1";
        QTest::newRow("force 0, both") << "0" << true << true << "10 0";
        QTest::newRow("other force, both") << "2" << true << true << "11 -";
        QTest::newRow("library only") << "" << false << true << "11 1";
        QTest::newRow("runtime only") << "" << true << false << "11 0";
        QTest::newRow("neither") << "" << false << false << "11 -";
    }
    void plainDialogCombosAndOptions()
    {
        QFETCH(QString, force);
        QFETCH(bool, runtime2);
        QFETCH(bool, library);
        QFETCH(QString, state);
        if (library)
            app().gObjRegistry->WriteValueEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harmsted\\CvQnpDll", "ForceTcpIp", force);
        if (runtime2)
            app().gObjRegistry->WriteValueEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\Harmsted\\Corvane", "InstallationPath", "/opt");
        seedRoutes();
        auto* f = open<frmParamVnDcQNP>();
        auto* router = child<QRadioButton>(f, "optQnpComWay_0");
        auto* direct = child<QRadioButton>(f, "optQnpComWay_1");
        // The frame is disabled as a whole: each option's own state is what the rule set.
        const QString shown = QStringLiteral("%1%2 %3").arg(int(router->isEnabledTo(router->parentWidget())))
                                  .arg(int(direct->isEnabledTo(direct->parentWidget())))
                                  .arg(router->isChecked() ? "0" : direct->isChecked() ? "1" : "-");
        QCOMPARE(shown, state);
        auto* directRTN = child<QRadioButton>(f, "optQnpComWayRTN_1");
        QCOMPARE(directRTN->isVisibleTo(directRTN->parentWidget()), library);

        auto* combo = child<QComboBox>(f, "comboRtnServerNetId");
        QCOMPARE(items(combo), QStringList({"User-Defined        10.0.0.1", "VN-2                10.0.0.2.1.1"}));
        combo->setCurrentIndex(0);
        combo->activated(0);
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.1"));
        auto* lines = child<QListWidget>(f, "lstRemoteDevicesRTN");
        QCOMPARE(lines->count(), 2);
        lines->setCurrentRow(1);
        lines->itemClicked(lines->item(1));
        QCOMPARE(edit(f, "editIpAddrRTN_0")->text(), QStringLiteral("10.0.0.2.1.1"));
        QCOMPARE(edit(f, "editIpAddrRTN_2")->text(), QStringLiteral("10.0.0.2"));
    }

    void panelLinkStoredAddressNotDecimal_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("notice"); // empty: none shown
        QTest::addColumn<QString>("storedByOk");
        QTest::newRow("decimal address") << "851968" << false << "0xD0000" << "" << "851968";
        QTest::newRow("letters") << "abc" << false << "0xCC000"
                                 << "Gespeicherte Adresse \"abc\" ignoriert: keine Dezimaladresse." << "835584";
        QTest::newRow("hexadecimal digits, English") << "CC000" << true << "0xCC000"
                                                     << "Stored address \"CC000\" ignored: not a decimal address." << "835584";
        QTest::newRow("past 32 bits") << "4294967296" << false << "0xCC000"
                                      << "Gespeicherte Adresse \"4294967296\" ignoriert: keine Dezimaladresse." << "835584";
        QTest::newRow("empty") << "" << false << "0xCC000" << "Gespeicherte Adresse \"\" ignoriert: keine Dezimaladresse."
                               << "835584";
    }
    void panelLinkStoredAddressNotDecimal()
    {
        QFETCH(QString, stored);
        QFETCH(bool, english);
        QFETCH(QString, shown);
        QFETCH(QString, notice);
        QFETCH(QString, storedByOk);
        if (english)
            gCommon().setLanguageType(1);
        app().gObjRegistry->WriteValue(HKEY_CURRENT_USER, kKey, "AdrHwLink", stored);
        auto* f = open<frmParamVnDcHW4565>();
        QCOMPARE(child<QLineEdit>(f, "txtAdrHwLink")->text(), shown);
        auto* label = child<QLabel>(f, "lblNotice");
        QCOMPARE(label->isVisibleTo(f), !notice.isEmpty());
        if (!notice.isEmpty())
            QCOMPARE(label->text(), notice);
        // OK without an edit stores the address that was shown, never the text read as hexadecimal.
        child<QPushButton>(f, "cmdOK")->click();
        QCOMPARE(::stored("AdrHwLink"), storedByOk);
    }

    void panelLinkAddress()
    {
        auto* f = open<frmParamVnDcHW4565>();
        QCOMPARE(m_registry->writes, QStringList{"AdrHwLink=835584"});
        auto* box = child<QLineEdit>(f, "txtAdrHwLink");
        QCOMPARE(box->text(), QStringLiteral("0xCC000"));
        box->setText(QStringLiteral("&HD0000x"));
        child<QPushButton>(f, "cmdOK")->click();
        QCOMPARE(m_registry->writes.size(), 1);
        QCOMPARE(m_env->dialogs().messages.size(), 1);
        box->setText(QStringLiteral("&hd0000"));
        child<QPushButton>(f, "cmdOK")->click();
        QCOMPARE(m_registry->writes, QStringList({"AdrHwLink=835584", "Device=2", "AdrHwLink=851968"}));
        QTRY_VERIFY(m_form.isNull());
        QCOMPARE(parseHwLinkAddress("0x"), std::nullopt);
        QCOMPARE(parseHwLinkAddress(" CC000 "), std::optional<uint32_t>(0xCC000));
    }

    void storedTemplateNameIsAStoredRoute()
    {
        seedRawRegistryRoute(kUserDefinedRouteName, QByteArray("\x0A\x00\x00\x07\x01\x01", 6), "10.0.0.7");
        auto* f = open<frmParamVnDcQNPCV3>();
        auto* targets = child<QTreeWidget>(f, "listViewRoutedDevicesToConnect");
        QCOMPARE(targets->topLevelItemCount(), 2);
        targets->itemClicked(targets->topLevelItem(1), 0); // the stored one, after the template
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.7.1.1"));
        targets->itemClicked(targets->topLevelItem(0), 0);
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.1.1.1"));

        // Saving the template under its own name is refused: it would hide a route again.
        auto* list = child<QTreeWidget>(f, "listViewRoutedDevices");
        list->itemClicked(list->topLevelItem(0), 0);
        child<QPushButton>(f, "cmdSaveRTN")->click();
        QCOMPARE(m_env->dialogs().messages,
                 QStringList{"Route name is not valid!\r\n\r\nThe route is not saved.|16|RTN Router"});
        QCOMPARE(app().store->value(HKEY_LOCAL_MACHINE, kRemoteRoutesKey + "\\User-Defined", "Address")->text,
                 QStringLiteral("10.0.0.7"));
    }

    void plainListLines()
    {
        seedRawRegistryRoute("A\tB", QByteArray("\x0A\x00\x00\x05\x01\x01", 6), "10.0.0.5");
        auto* f = open<frmParamVnDcQNP>();
        auto* lines = child<QListWidget>(f, "lstRemoteDevicesRTN");
        QCOMPARE(lines->count(), 2);
        QCOMPARE(lines->item(1)->toolTip(), QStringLiteral("A   B   10.0.0.5.1.1   10.0.0.5"));
        lines->setCurrentRow(1);
        lines->itemClicked(lines->item(1));
        QCOMPARE(edit(f, "editIpAddrRTN_1")->text(), QStringLiteral("A\tB"));
        QCOMPARE(edit(f, "editIpAddrRTN_0")->text(), QStringLiteral("10.0.0.5.1.1"));
        QCOMPARE(edit(f, "editIpAddrRTN_2")->text(), QStringLiteral("10.0.0.5"));
    }

    void tabStops_data()
    {
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("every part within its stop") << QList<int>{50, 60, 40} << QList<int>{0, 80, 160};
        QTest::newRow("a long name moves on a stop") << QList<int>{100, 40, 40} << QList<int>{0, 160, 240};
        QTest::newRow("a long net id moves the address past the last stop") << QList<int>{50, 170, 40}
                                                                             << QList<int>{0, 80, 320};
        QTest::newRow("ending on a stop moves on") << QList<int>{80, 10} << QList<int>{0, 160};
        QTest::newRow("an empty part") << QList<int>{10, 0, 10} << QList<int>{0, 80, 160};
    }
    void tabStops()
    {
        QFETCH(QList<int>, widths);
        QFETCH(QList<int>, columns);
        QCOMPARE(tabStopColumns(widths, {80, 160}), columns);
    }

    void invalidFieldStaysSelectedAfterLeaving_data() { addVariantRows(); }
    void invalidFieldStaysSelectedAfterLeaving()
    {
        QFETCH(bool, cv3);
        QDialog* f = openVariant(cv3);
        QVERIFY(QTest::qWaitForWindowActive(f));
        child<QTabWidget>(f, "SSTab1")->setCurrentIndex(1);
        QLineEdit* netId = edit(f, "editIpAddrRTN_0");
        netId->setFocus();
        netId->setText(QStringLiteral("10.0.0.1.1"));
        QTest::keyClick(netId, Qt::Key_Tab); // on to the name field
        QTRY_VERIFY(netId->hasFocus());
        QTRY_COMPARE(netId->selectedText(), QStringLiteral("10.0.0.1.1"));
        QTest::keyClicks(netId, QStringLiteral("7"));
        QCOMPARE(netId->text(), QStringLiteral("7")); // typing replaces the invalid text
    }

    void routeSaveKeepsTheConnectionTab_data() { addVariantRows(); }
    void routeSaveKeepsTheConnectionTab()
    {
        QFETCH(bool, cv3);
        QDialog* f = openVariant(cv3);
        edit(f, "editIpAddr_0")->setText(QStringLiteral("10.0.0.99.1.1"));
        child<QSpinBox>(f, "fpLITimeOut")->setValue(300);
        edit(f, "editIpAddrRTN_1")->setText(QStringLiteral("VN-5"));
        edit(f, "editIpAddrRTN_0")->setText(QStringLiteral("10.0.0.5.1.1"));
        edit(f, "editIpAddrRTN_2")->setText(QStringLiteral("10.0.0.5"));
        child<QPushButton>(f, "cmdSaveRTN")->click();
        QCOMPARE(RouteStore(*app().store, *app().gObjRegistry, *app().dialogs).registryRouteNames(), QStringList{"VN-5"});
        QCOMPARE(edit(f, "editIpAddr_0")->text(), QStringLiteral("10.0.0.99.1.1"));
        QCOMPARE(child<QSpinBox>(f, "fpLITimeOut")->value(), 300);
        if (cv3)
            QCOMPARE(child<QTreeWidget>(f, "listViewRoutedDevicesToConnect")->topLevelItemCount(), 2);
        else
            QCOMPARE(items(child<QComboBox>(f, "comboRtnServerNetId")),
                     QStringList({"User-Defined        10.0.0.1", "VN-5                10.0.0.5.1.1"}));
    }

    void eachTabHasItsOwnButtons_data()
    {
        QTest::addColumn<bool>("cv3");
        QTest::addColumn<QStringList>("routeButtons");
        QTest::newRow("plain") << false << QStringList{"cmdCancelRTN", "cmdSaveRTN"};
        QTest::newRow("CV3") << true << QStringList{"cmdCancelRTN", "cmdDeleteRoute", "cmdSaveRTN"};
    }
    void eachTabHasItsOwnButtons()
    {
        QFETCH(bool, cv3);
        QFETCH(QStringList, routeButtons);
        QDialog* f = openVariant(cv3);
        auto* tabs = child<QTabWidget>(f, "SSTab1");
        const auto visibleButtons = [&] {
            QStringList names;
            for (const QPushButton* button : f->findChildren<QPushButton*>())
                if (button->isVisible())
                    names << button->objectName();
            names.sort();
            return names;
        };
        QCOMPARE(visibleButtons(), (QStringList{"cmdCancel", "cmdOK", "cmdTest"}));
        tabs->setCurrentIndex(1);
        QCOMPARE(visibleButtons(), routeButtons);
    }

    void englishCaptions()
    {
        gCommon().setLanguageType(1);
        auto* f = open<frmParamVnDcQNP>();
        QCOMPARE(f->windowTitle(), QString());
        QCOMPARE(child<QPushButton>(f, "cmdTest")->text(), QStringLiteral("Test..."));
        QCOMPARE(child<QLabel>(f, "lblSelectedPortRTN_3")->text(), QStringLiteral("IP-address:"));
        QCOMPARE(child<QLabel>(f, "lblSelectedPortRTN_2")->text(), QStringLiteral("Remote devices:"));
        QCOMPARE(child<QRadioButton>(f, "optQnpComWayRTN_1")->text(), QStringLiteral("Direct TCP/IP"));
    }
};

QTEST_MAIN(tst_QnpDialog)
#include "tst_qnpdialog.moc"
