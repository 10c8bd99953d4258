// The main window frame: settings restored and saved, start language, pane
// toggles, layout, splitter drag, the close and Exit paths and the help file.
#include "common/TestEnv.h"
#include "platform/Twips.h"
#include "platform/ViewFactory.h"
#include "shell/frmMain.h"
#include "shell/modLanguage.h"
#include "shell/modPaneSettings.h"

#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QMenu>
#include <QMdiSubWindow>
#include <QScreen>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString Key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

QString userValue(TestEnv& env, const QString& name)
{
    const std::optional<RegValue> v = env.context().store->value(HKEY_CURRENT_USER, Key, name);
    return v ? v->text : QStringLiteral("<missing>");
}

QString machineValue(TestEnv& env, const QString& name)
{
    const std::optional<RegValue> v = env.context().store->value(HKEY_LOCAL_MACHINE, Key, name);
    return v ? v->text : QStringLiteral("<missing>");
}

void setUser(TestEnv& env, const QString& name, const QString& text)
{
    QVERIFY(env.context().store->setValue(HKEY_CURRENT_USER, Key, name, RegValue::fromText(text)));
}

// Counts the label measurements of the view it draws.
class CountingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    mutable int sizeHints = 0;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        ++sizeHints;
        return QStyledItemDelegate::sizeHint(option, index);
    }
};

// Devices at positions 0..count-1, each with a view node holding a table node; the last
// device has 40 of them, and its last table node a label of the given length.
std::unique_ptr<pugi::xml_document> stationOf(int count, int lastLabelLength)
{
    const auto views = [](int n, const QString& lastLabel) {
        QString xml;
        for (int i = 0; i < n; ++i)
            xml += QStringLiteral("<View Desc1031=\"Tabellen\" Desc1033=\"Tables\" Icon=\"43\">"
                                  "<View Desc1031=\"%1\" Desc1033=\"%1\" Icon=\"43\" ProgID=\"TableView\" UserData=\"0\"/>"
                                  "</View>")
                       .arg(i == n - 1 ? lastLabel : QStringLiteral("Table 0"));
        return xml;
    };
    QString xml = QStringLiteral("<Station><Devices>");
    for (int pos = 0; pos < count; ++pos)
        xml += QStringLiteral("<Device Pos=\"%1\" Icon=\"5\"><NameCompID1>TM8xx4-5555</NameCompID1><SelCompID>0</SelCompID>"
                              "<Desc1031>2 Kanal dig. Eingang</Desc1031><Desc1033>2 channel dig. input</Desc1033>"
                              "<CfgTool><Views>%2</Views></CfgTool></Device>")
                   .arg(pos)
                   .arg(pos == count - 1 ? views(40, QString(lastLabelLength, QLatin1Char('W'))) : views(1, {}));
    xml += QStringLiteral("</Devices></Station>");
    auto doc = std::make_unique<pugi::xml_document>();
    doc->load_string(xml.toUtf8().constData());
    return doc;
}

// A stored window of 200,100 600x500 pixels (in twips).
void storeRectangle(TestEnv& env)
{
    setUser(env, QStringLiteral("MainLeft"), QStringLiteral("3000"));
    setUser(env, QStringLiteral("MainTop"), QStringLiteral("1500"));
    setUser(env, QStringLiteral("MainWidth"), QStringLiteral("9000"));
    setUser(env, QStringLiteral("MainHeight"), QStringLiteral("7500"));
}

// The default rectangle (1000, 1000, 20000, 20000 twips) as it opens: fitted into the screen.
QRect defaultOnScreen()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QRect r(twipsToPx(1000), twipsToPx(1000), twipsToPx(20000), twipsToPx(20000));
    r.setSize(r.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() - r.height() + 1));
    return r;
}

QStringList rectangle(TestEnv& env)
{
    QStringList r;
    for (const char* name : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        r << userValue(env, QLatin1String(name));
    return r;
}

// Records what the close sequence does to the channel, after the channel is gone.
class ClosingChannel : public IDeviceChannel {
public:
    explicit ClosingChannel(QStringList& log) : m_log(log) {}
    ~ClosingChannel() override { m_log << QStringLiteral("released"); }
    int32_t VbRegSyncReadReq(int32_t, int32_t, int32_t, int32_t, std::span<int32_t>) override { return ChOk; }
    int32_t VbRegSyncWriteReq(int32_t, int32_t, int32_t, int32_t, std::span<const int32_t>) override { return ChOk; }
    int32_t PortOpen() override { return ChOk; }
    int32_t PortClose() override
    {
        m_log << QStringLiteral("PortClose");
        return ChTimeout; // a failing close must not stop the sequence
    }
    IChannelParam* GetDeviceParamObj() override { return nullptr; }
    int32_t ServiceRequest(uint8_t, const QByteArray&, QByteArray&) override { return ChOk; }

private:
    QStringList& m_log;
};
} // namespace

class tst_frmMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void freshStoreGetsDefaults();
    void frameControlsAndFirstDocument();
    void toolbarPicturesComeWithoutResizing();
    void loaderItemFollowsViewProbe();
    void treeColumnFitsItsLabels();
    void startLanguage_data();
    void startLanguage();
    void storedRectangleIsRestored();
    void badStoredRectangleOpensDefault_data();
    void badStoredRectangleOpensDefault();
    void closeSavesRectangleAndOptions();
    void unmovedCloseKeepsStoredTwips();
    void closeWhileMinimisedKeepsRectangle();
    void closeWhileMaximisedStoresMaximisedRectangle();
    void logBoxGoesWithTheWindow();
    void closeRefreshesFirmwareFolderOnlyWhenStored();
    void closeClosesPortAndReleasesChannels();
    void exitSavesNothing();
    void storedOptionsAreApplied_data();
    void storedOptionsAreApplied();
    void hiddenReportBoxPersistsAcrossRestart();
    void hiddenTreePaneAndOptionPersist();
    void paneTogglesSetButtonAndCheckMark();
    void freedHeightGoesToTree();
    void hidingReportBoxStretchesTreeAtOnce();
    void splitterDragClampsBar_data();
    void splitterDragClampsBar();
    void helpWithoutFile();
    void helpFileMissingNamesFile();
    void helpFileHandedToViewer();
};

void tst_frmMain::freshStoreGetsDefaults()
{
    TestEnv env;
    frmMain w;
    QCOMPARE(rectangle(env), QStringList({"1000", "1000", "20000", "20000"}));
    QCOMPARE(userValue(env, QStringLiteral("EnableGraphic")), QStringLiteral("1"));
    QCOMPARE(userValue(env, QStringLiteral("EnableMonitor")), QStringLiteral("0"));
    QCOMPARE(machineValue(env, QStringLiteral("Language")), QStringLiteral("1"));
    QCOMPARE(gCommon().LanguageType(), 1);
    QCOMPARE(userValue(env, QStringLiteral("Language")), QStringLiteral("1 "));
    QCOMPARE(userValue(env, QStringLiteral("PathResFirmware")), QStringLiteral("<missing>"));
    QCOMPARE(w.geometry(), defaultOnScreen());
    QVERIFY(w.mnuOptionItem().isChecked(2));
    QVERIFY(!w.mnuOptionItem().isChecked(3));
    QCOMPARE(w.DisplayMode(), 0);
    // Pane settings of a fresh store: everything shown and checked, nothing written.
    QVERIFY(!w.picMDIHor()->isHidden());
    QVERIFY(!w.picMDI()->isHidden());
    QVERIFY(w.mnuOptionItem().isChecked(5));
    QVERIFY(w.mnuOptionAnsichtItem().isChecked(0));
    QVERIFY(w.mnuOptionAnsichtItem().isChecked(1));
    QCOMPARE(fWertLesen(*env.context().store, HKEY_CURRENT_USER, paneKey(0), QStringLiteral("Messagebox")), QString());
}

void tst_frmMain::frameControlsAndFirstDocument()
{
    TestEnv env;
    frmMain w;
    // The language switch of the load replaces the load's own caption.
    QCOMPARE(w.windowTitle(), QStringLiteral("Harmsted   TD4700   "));
    for (const char* name : {"picMDI", "tvTreeView", "imgSplitter", "picSplitter", "picMDIHor", "txtLogBox",
                             "imgSplitterHor", "picSplitterHor", "tbToolBar", "sbStatusBar"})
        QVERIFY2(w.findChild<QWidget*>(QLatin1String(name)), name);
    QCOMPARE(w.txtLogBox()->parentWidget(), w.picMDIHor());
    QCOMPARE(w.tvTreeView()->parentWidget(), w.picMDI());
    QVERIFY(w.picSplitter()->isHidden());
    // The load's tree rebuild narrows the pane from its design width of 4580.
    QCOMPARE(w.picMDI()->width(), twipsToPx(4380));
    QCOMPARE(w.picMDIHor()->height(), twipsToPx(1575));

    // Document 1 is shown by the load, then closed by the rebuild's CloseOtherForms.
    QCOMPARE(w.DocumentCount(), 1);
    QVERIFY(w.mdiArea()->subWindowList().isEmpty());

    // Menus and toolbar as the commands address them.
    QVERIFY(!w.mnuDevChannelItem().isVisible(2));
    QVERIFY(!w.mnuDevChannelItem().isVisible(3));
    QVERIFY(w.mnuDevChannelItem().isChecked(0));
    // A fresh store starts in English: the load's language switch re-captions the design texts.
    QCOMPARE(w.mnuProjectItem().caption(21), QStringLiteral("Exit"));
    QCOMPARE(w.tbToolBar().key(24), QStringLiteral("Info"));
    QCOMPARE(w.tbToolBar().button(24)->toolTip(), QStringLiteral("&Info..."));
    QCOMPARE(w.tbToolBar().button(14)->toolTip(), QStringLiteral("Services")); // no language entry: design tooltip
    QCOMPARE(w.tbToolBar().key(5), QStringLiteral("Seperator1"));
    QCOMPARE(w.tbToolBar().key(6), QString());
    QVERIFY(w.tbToolBar().button(QStringLiteral("info")) == nullptr); // keys compare with case
}

// The pictures come after the first paint, into buttons that already have their final size.
void tst_frmMain::toolbarPicturesComeWithoutResizing()
{
    TestEnv env;
    frmMain w;
    auto* bar = w.findChild<QToolBar*>(QStringLiteral("tbToolBar"));
    QList<QAction*> buttons;
    QList<QSize> sizes;
    for (QAction* a : bar->actions())
        if (!a->isSeparator()) {
            buttons << a;
            sizes << bar->widgetForAction(a)->sizeHint();
        }
    QCOMPARE(buttons.size(), 11);
    const auto painted = [](const QIcon& icon) {
        const QImage image = icon.pixmap(16).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    return true;
        return false;
    };
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    for (int i = 0; i < buttons.size(); ++i) {
        QTRY_VERIFY2(painted(buttons[i]->icon()), qPrintable(buttons[i]->objectName()));
        QCOMPARE(bar->widgetForAction(buttons[i])->sizeHint(), sizes[i]);
    }
}

void tst_frmMain::loaderItemFollowsViewProbe()
{
    TestEnv env;
    ViewFactory::Register(QStringLiteral("PicUploaderCtrl.View"), [](QWidget* parent) { return new QWidget(parent); });
    {
        frmMain w;
        QVERIFY(w.mnuOnlineItem().isVisible(15));
        QVERIFY(w.mdiArea()->subWindowList().isEmpty()); // the probe is no document
    }
    ViewFactory::Unregister(QStringLiteral("PicUploaderCtrl.View"));
    frmMain w;
    QVERIFY(!w.mnuOnlineItem().isVisible(15));
}

// The column is sized to the labels once the tree is built and again when a node opens or
// closes; a label longer than the pane gets a scroll bar. Measuring every label as each
// node came in was most of a cold log-in's own work.
void tst_frmMain::treeColumnFitsItsLabels()
{
    TestEnv env;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTreeWidget* tree = w.tvTreeView();
    auto* delegate = new CountingDelegate(tree);
    tree->setItemDelegate(delegate);
    const std::unique_ptr<pugi::xml_document> station = stationOf(254, 200);
    app().gOfflineStation = station->child("Station");
    w.RebuildStationTree();
    QCoreApplication::processEvents(); // what the tree lays out and paints after it is built
    // 254 devices, the first one open: 256 rows, each measured about once.
    QVERIFY2(delegate->sizeHints < 2 * 256 + 100, qPrintable(QString::number(delegate->sizeHints)));
    const int built = tree->columnWidth(0);
    QVERIFY(built > tree->fontMetrics().horizontalAdvance(tree->topLevelItem(0)->text(0))); // not cut

    // "*" opens the last device and its 40 nodes, one of them with the long label: the column
    // takes it, measured once, and scrolls; closed, it is as it was.
    QTreeWidgetItem* last = tree->topLevelItem(253);
    tree->setCurrentItem(last);
    delegate->sizeHints = 0;
    QTest::keyClick(tree, Qt::Key_Asterisk);
    QCoreApplication::processEvents();
    QVERIFY2(delegate->sizeHints < 2 * (256 + 80) + 100, qPrintable(QString::number(delegate->sizeHints)));
    QVERIFY(tree->columnWidth(0) > built + 1000);
    QVERIFY(tree->horizontalScrollBar()->maximum() > 0);
    last->setExpanded(false);
    QCoreApplication::processEvents();
    QCOMPARE(tree->columnWidth(0), built);
    app().gOfflineStation = pugi::xml_node();
}

void tst_frmMain::startLanguage_data()
{
    QTest::addColumn<QString>("machine"); // "<missing>" for none
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("machineAfter");
    QTest::newRow("missing machine value: English, written") << "<missing>" << "0 " << 1 << "1";
    QTest::newRow("machine English over German user") << "1" << "0" << 1 << "1";
    QTest::newRow("machine German over English user") << "0" << "1 " << 0 << "0";
    QTest::newRow("other machine text keeps user English") << "2" << "1 " << 1 << "2";
    QTest::newRow("other machine text keeps user German") << "x" << "0 " << 0 << "x";
}

void tst_frmMain::startLanguage()
{
    QFETCH(QString, machine);
    QFETCH(QString, user);
    QFETCH(int, language);
    QFETCH(QString, machineAfter);
    TestEnv env;
    setUser(env, QStringLiteral("Language"), user);
    if (machine != QLatin1String("<missing>"))
        QVERIFY(env.context().store->setValue(HKEY_LOCAL_MACHINE, Key, QStringLiteral("Language"), RegValue::fromText(machine)));
    frmMain w;
    QCOMPARE(gCommon().LanguageType(), language);
    // Applied once: one switch line, in the start language.
    QCOMPARE(env.log().Text().count(QStringLiteral("Language switched to")), 1);
    QVERIFY(env.log().Text().contains(fLanguageSwitchLogLine(language)));
    QCOMPARE(w.mnuMainItemProject()->title(), language == 0 ? QStringLiteral("&Projekt") : QStringLiteral("&Project"));
    QCOMPARE(machineValue(env, QStringLiteral("Language")), machineAfter);
    QCOMPARE(userValue(env, QStringLiteral("Language")), QString::number(language) + QLatin1Char(' '));
}

void tst_frmMain::storedRectangleIsRestored()
{
    TestEnv env;
    storeRectangle(env);
    frmMain w;
    QCOMPARE(w.pos(), QPoint(200, 100));
    QCOMPARE(w.size(), QSize(600, 500));
}

void tst_frmMain::badStoredRectangleOpensDefault_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("width 0") << "MainWidth" << "0";
    QTest::newRow("negative height") << "MainHeight" << "-4500";
    QTest::newRow("width not a number") << "MainWidth" << "wide";
    QTest::newRow("left of every screen") << "MainLeft" << "-900000";
    QTest::newRow("below every screen") << "MainTop" << "900000";
}

void tst_frmMain::badStoredRectangleOpensDefault()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    TestEnv env;
    storeRectangle(env);
    setUser(env, name, text);
    frmMain w;
    QCOMPARE(w.geometry(), defaultOnScreen());
    QCOMPARE(userValue(env, name), text); // kept until the next close
}

void tst_frmMain::unmovedCloseKeepsStoredTwips()
{
    // 1000 twips is 66.7 pixels: saving the pixel rectangle back would drift it by rounding.
    TestEnv env;
    for (int run = 0; run < 3; ++run) {
        frmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.close());
    }
    QCOMPARE(rectangle(env), QStringList({"1000", "1000", "20000", "20000"}));
}

void tst_frmMain::closeSavesRectangleAndOptions()
{
    TestEnv env;
    {
        frmMain w;
        w.show();
        w.setGeometry(100, 50, 900, 700);
        QTRY_COMPARE(w.size(), QSize(900, 700));
        w.mnuOptionItem().setChecked(2, false);
        w.mnuOptionItem().setChecked(3, true);
        QVERIFY(w.close());
        QCOMPARE(rectangle(env),
                 QStringList({QString::number(pxToTwips(w.pos().x())), QString::number(pxToTwips(w.pos().y())),
                              "13500", "10500"}));
    }
    QCOMPARE(userValue(env, QStringLiteral("EnableGraphic")), QStringLiteral("0"));
    QCOMPARE(userValue(env, QStringLiteral("EnableMonitor")), QStringLiteral("1"));

    env.restart();
    frmMain again;
    QCOMPARE(again.size(), QSize(900, 700).boundedTo(QGuiApplication::primaryScreen()->availableSize()));
    QVERIFY(!again.mnuOptionItem().isChecked(2));
    QVERIFY(again.mnuOptionItem().isChecked(3));
    QCOMPARE(again.DisplayMode(), 1);
}

void tst_frmMain::closeWhileMinimisedKeepsRectangle()
{
    TestEnv env;
    storeRectangle(env);
    frmMain w;
    w.show();
    w.resize(700, 550);
    w.mnuOptionItem().setChecked(2, false);
    w.showMinimized();
    QTRY_VERIFY(w.isMinimized());
    QVERIFY(w.close());
    QCOMPARE(rectangle(env), QStringList({"3000", "1500", "9000", "7500"}));
    QCOMPARE(userValue(env, QStringLiteral("EnableGraphic")), QStringLiteral("0")); // the options are still saved
}

void tst_frmMain::closeWhileMaximisedStoresMaximisedRectangle()
{
    TestEnv env;
    QSize maximised;
    {
        frmMain w;
        w.resize(400, 300);
        w.showMaximized();
        QTRY_VERIFY(w.isMaximized());
        QTRY_VERIFY(w.size() != QSize(400, 300));
        maximised = w.size();
        QVERIFY(w.close());
    }
    QCOMPARE(userValue(env, QStringLiteral("MainWidth")), QString::number(pxToTwips(maximised.width())));
    QCOMPARE(userValue(env, QStringLiteral("MainHeight")), QString::number(pxToTwips(maximised.height())));
    env.restart();
    frmMain again;
    QVERIFY(!again.isMaximized());
    QCOMPARE(again.size(), maximised);
}

void tst_frmMain::logBoxGoesWithTheWindow()
{
    TestEnv env;
    auto* w = new frmMain;
    env.context().gLogBox = w->logBox();
    delete w;
    QVERIFY(env.context().gLogBox == nullptr);
}

void tst_frmMain::closeRefreshesFirmwareFolderOnlyWhenStored()
{
    TestEnv env;
    {
        frmMain w;
        gCommon().setPathFolderResFirmware(QStringLiteral("/opt/fw"));
        QVERIFY(w.close());
    }
    QCOMPARE(userValue(env, QStringLiteral("PathResFirmware")), QStringLiteral("<missing>"));

    setUser(env, QStringLiteral("PathResFirmware"), QStringLiteral("/old/fw"));
    frmMain w;
    gCommon().setPathFolderResFirmware(QStringLiteral("/opt/fw"));
    QVERIFY(w.close());
    QCOMPARE(userValue(env, QStringLiteral("PathResFirmware")), QStringLiteral("/opt/fw"));
}

void tst_frmMain::closeClosesPortAndReleasesChannels()
{
    QStringList log; // outlives the context that releases the channel
    TestEnv env;
    AppContext& c = env.context();
    c.gObjDevCom = std::make_unique<ClosingChannel>(log);
    c.gObjDevChannel = c.gObjDevCom.get();
    frmMain w;
    QVERIFY(w.close());
    QCOMPARE(log, QStringList({"PortClose", "released"}));
    QVERIFY(!c.gObjDevChannel);
    QVERIFY(!c.gObjDevCom);
    QVERIFY(!c.m_objDevQnpObj);
    QVERIFY(!c.gObjDevSrv);
    QVERIFY(w.mdiArea()->subWindowList().isEmpty()); // every form is unloaded
}

void tst_frmMain::exitSavesNothing()
{
    QStringList log; // outlives the context that releases the channel
    TestEnv env;
    env.context().gObjDevCom = std::make_unique<ClosingChannel>(log);
    env.context().gObjDevChannel = env.context().gObjDevCom.get();
    setUser(env, QStringLiteral("PathResFirmware"), QStringLiteral("/old/fw"));
    {
        frmMain w;
        bool ended = false;
        w.setEndProcess([&ended] { ended = true; });
        w.show();
        w.setGeometry(120, 80, 640, 480);
        w.mnuOptionItem().setChecked(2, false);
        w.mnuOptionItem().setChecked(3, true);
        gCommon().setPathFolderResFirmware(QStringLiteral("/opt/fw"));
        w.fEnd();
        QVERIFY(ended);
    }
    QCOMPARE(rectangle(env), QStringList({"1000", "1000", "20000", "20000"}));
    QCOMPARE(userValue(env, QStringLiteral("EnableGraphic")), QStringLiteral("1"));
    QCOMPARE(userValue(env, QStringLiteral("EnableMonitor")), QStringLiteral("0"));
    QCOMPARE(userValue(env, QStringLiteral("PathResFirmware")), QStringLiteral("/old/fw"));
    QCOMPARE(log, QStringList()); // the port is left as it is
}

void tst_frmMain::storedOptionsAreApplied_data()
{
    QTest::addColumn<QString>("graphic");
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<bool>("graphicChecked");
    QTest::addColumn<bool>("monitorChecked");
    QTest::newRow("both on") << "1" << "1" << true << true;
    QTest::newRow("both off") << "0" << "0" << false << false;
    QTest::newRow("not exactly 1 is off") << "1 " << "yes" << false << false;
}

void tst_frmMain::storedOptionsAreApplied()
{
    QFETCH(QString, graphic);
    QFETCH(QString, monitor);
    QFETCH(bool, graphicChecked);
    QFETCH(bool, monitorChecked);
    TestEnv env;
    setUser(env, QStringLiteral("EnableGraphic"), graphic);
    setUser(env, QStringLiteral("EnableMonitor"), monitor);
    frmMain w;
    QCOMPARE(w.mnuOptionItem().isChecked(2), graphicChecked);
    QCOMPARE(w.mnuOptionItem().isChecked(3), monitorChecked);
    QCOMPARE(w.DisplayMode(), monitorChecked ? 1 : 0);
}

void tst_frmMain::hiddenReportBoxPersistsAcrossRestart()
{
    TestEnv env;
    {
        frmMain w;
        w.noviewMessageBox();
        QCOMPARE(userValue(env, QStringLiteral("Messagebox")), QStringLiteral("0")); // the settings key itself
        QVERIFY(w.picMDIHor()->isHidden());
        QVERIFY(w.close());
    }
    env.restart();
    {
        frmMain w;
        QVERIFY(w.picMDIHor()->isHidden());
        QVERIFY(!w.mnuOptionAnsichtItem().isChecked(0));
        QCOMPARE(w.tbToolBar().value(QStringLiteral("Berichtsbox")), 0);
        QVERIFY(!w.picMDI()->isHidden());
        w.viewMessageBox();
        QCOMPARE(userValue(env, QStringLiteral("Messagebox")), QStringLiteral("1"));
    }
    env.restart();
    frmMain w;
    QVERIFY(!w.picMDIHor()->isHidden());
}

void tst_frmMain::hiddenTreePaneAndOptionPersist()
{
    TestEnv env;
    {
        frmMain w;
        w.noviewTreeView();
        w.noDeleteDevices();
        QCOMPARE(fWertLesen(*env.context().store, HKEY_CURRENT_USER, paneKey(0), QStringLiteral("DeleteDevices")), QString());
        w.SaveDeleteDevicesOff();
    }
    QCOMPARE(userValue(env, QStringLiteral("TreeView")), QStringLiteral("0"));
    QCOMPARE(userValue(env, QStringLiteral("DeleteDevices")), QStringLiteral("0"));
    env.restart();
    frmMain w;
    QVERIFY(w.picMDI()->isHidden());
    QVERIFY(!w.mnuOptionAnsichtItem().isChecked(1));
    QCOMPARE(w.tbToolBar().value(QStringLiteral("Baumansicht")), 0);
    QVERIFY(!w.mnuOptionItem().isChecked(5));
    QVERIFY(!w.picMDIHor()->isHidden());
}

void tst_frmMain::paneTogglesSetButtonAndCheckMark()
{
    TestEnv env;
    frmMain w;
    w.noviewTreeView();
    QCOMPARE(w.tbToolBar().value(QStringLiteral("Baumansicht")), 0);
    QVERIFY(!w.mnuOptionAnsichtItem().isChecked(1));
    w.viewTreeView();
    QVERIFY(!w.picMDI()->isHidden());
    QCOMPARE(w.tbToolBar().value(QStringLiteral("Baumansicht")), 1);
    QVERIFY(w.mnuOptionAnsichtItem().isChecked(1));
    QCOMPARE(userValue(env, QStringLiteral("TreeView")), QStringLiteral("1"));
    w.DeleteDevices();
    QVERIFY(w.mnuOptionItem().isChecked(5));
    QCOMPARE(userValue(env, QStringLiteral("DeleteDevices")), QStringLiteral("<missing>"));

    // A click on the button or the item leaves the state to the handler (the pane and option commands).
    QSignalSpy clicks(&w.tbToolBar(), &ToolbarButtons::ButtonClick);
    w.tbToolBar().button(QStringLiteral("Baumansicht"))->trigger();
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.first().first().toString(), QStringLiteral("Baumansicht"));
    QCOMPARE(w.tbToolBar().value(QStringLiteral("Baumansicht")), 0);
    QVERIFY(w.picMDI()->isHidden());
    w.viewTreeView();
    QSignalSpy items(&w.mnuOptionItem(), &MenuArray::Click);
    w.mnuOptionItem().item(2)->trigger();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.first().first().value<int16_t>(), int16_t(2));
    QVERIFY(!w.mnuOptionItem().isChecked(2));
}

void tst_frmMain::freedHeightGoesToTree()
{
    TestEnv env;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.MDIForm_Resize();
    // The tree and its grip fill the pane between the toolbar and the report box.
    const int expected = w.picMDI()->height();
    QCOMPARE(w.tvTreeView()->height(), expected);
    QCOMPARE(w.imgSplitter()->height(), expected);
    QCOMPARE(w.picMDI()->mapTo(&w, QPoint(0, expected)).y(), w.picMDIHor()->mapTo(&w, QPoint(0, 0)).y());
    QCOMPARE(w.txtLogBox()->size(), w.picMDIHor()->size());

    const int status = w.sbStatusBar()->height();
    const int bottom = w.picMDIHor()->height();
    w.sbStatusBar()->hide();
    w.picMDIHor()->hide();
    w.MDIForm_Resize();
    QCOMPARE(w.tvTreeView()->height(), expected + status + bottom);
    QCOMPARE(w.imgSplitter()->height(), expected + status + bottom);
}

void tst_frmMain::hidingReportBoxStretchesTreeAtOnce()
{
    TestEnv env;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int paneBefore = w.picMDI()->height();
    w.noviewMessageBox();
    QVERIFY(w.picMDI()->height() > paneBefore);
    QCOMPARE(w.tvTreeView()->height(), w.picMDI()->height());
}

void tst_frmMain::splitterDragClampsBar_data()
{
    QTest::addColumn<int>("x");       // mouse, twips relative to the grip at its start
    QTest::addColumn<QString>("bar"); // where the bar stops
    QTest::newRow("inside: bar at the mouse") << -1500 << "mouse";
    QTest::newRow("beyond left edge") << -4400 << "500";
    QTest::newRow("beyond right edge") << 100000 << "width-500";
}

void tst_frmMain::splitterDragClampsBar()
{
    QFETCH(int, x);
    QFETCH(QString, bar);
    TestEnv env;
    frmMain w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const int gripStart = pxToTwips(w.imgSplitter()->x());
    QCOMPARE(gripStart, pxToTwips(twipsToPx(4280))); // the rebuilt tree is 4380 - 100 wide
    const int barLeft = bar == QLatin1String("mouse") ? gripStart + x
        : bar == QLatin1String("500")                 ? 500
                                                      : pxToTwips(w.frameGeometry().width()) - 500;

    w.imgSplitter_MouseMove(1, 0, x, 0); // not dragging: nothing moves
    QCOMPARE(pxToTwips(w.imgSplitter()->x()), gripStart);
    w.imgSplitter_MouseDown();
    QVERIFY(w.isMoving());
    QVERIFY(!w.picSplitter()->isHidden());
    QCOMPARE(w.picSplitter()->x(), w.imgSplitter()->x());
    QCOMPARE(w.picSplitter()->width(), twipsToPx(pxToTwips(w.imgSplitter()->width()) / 2));

    w.imgSplitter_MouseMove(1, 0, x, 0);
    QCOMPARE(w.imgSplitter()->x(), twipsToPx(gripStart + x)); // the grip follows the mouse
    QCOMPARE(w.picSplitter()->x(), twipsToPx(barLeft));

    w.imgSplitter_MouseUp();
    QVERIFY(!w.isMoving());
    QVERIFY(w.picSplitter()->isHidden());
    const int pane = twipsToPx(barLeft);
    QCOMPARE(w.picMDI()->width(), pane);
    QCOMPARE(w.tvTreeView()->width(), twipsToPx(pxToTwips(pane) - 100));
    QCOMPARE(w.imgSplitter()->x(), w.tvTreeView()->width());
    QCOMPARE(w.imgSplitter()->height(), w.picMDI()->height());
}

void tst_frmMain::helpWithoutFile()
{
    TestEnv env;
    frmMain w;
    // Neither language item checked: the help file stays as it was, empty.
    w.mnuLanguageItem().setChecked(0, false);
    w.mnuLanguageItem().setChecked(1, false);
    w.setHelpFile(QString()); // the language switch of the load had chosen one
    w.HelpContents();
    QCOMPARE(env.dialogs().messages,
             QStringList({"Unable to display Help Contents. There is no Help associated with this project.|64|"
                          "Harmsted   TD4700   "}));
    QVERIFY(env.dialogs().openedDocuments.isEmpty());
}

void tst_frmMain::helpFileMissingNamesFile()
{
    TestEnv env;
    gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res"));
    frmMain w;
    w.mnuLanguageItem().setChecked(1, true);
    w.HelpContents();
    const QString file = AppContext::programFolder() + QStringLiteral("/TD4700.chm");
    QCOMPARE(w.helpFile(), file);
    QCOMPARE(env.dialogs().messages,
             QStringList({QStringLiteral("Unable to display Help Contents. The help file \"%1\" cannot be opened.|0|").arg(file)}));
}

void tst_frmMain::helpFileHandedToViewer()
{
    TestEnv env;
    const QString res = env.tempPath() + QStringLiteral("/res");
    QVERIFY(QDir().mkpath(res + QStringLiteral("/Help/1031")));
    QFile chm(res + QStringLiteral("/Help/1031/TD4700.chm"));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    gCommon().setPathFolderResCommon(res);
    frmMain w;
    w.mnuLanguageItem().setChecked(0, true);
    w.HelpContents();
    QCOMPARE(env.dialogs().openedDocuments, QStringList({chm.fileName()}));
    QVERIFY(env.dialogs().messages.isEmpty());

    env.dialogs().openDocumentResult = false; // the desktop has no viewer for it; German is checked
    w.HelpContents();
    QCOMPARE(env.dialogs().messages,
             QStringList({QStringLiteral("Die Hilfe kann nicht angezeigt werden. "
                                         "Die Hilfedatei \"%1\" lässt sich nicht öffnen.|0|")
                              .arg(chm.fileName())}));
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmMain.moc"
