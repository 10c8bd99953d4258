// The main window and its views on real screen sizes: two screens, 1600x1200
// and 1280x800 side by side. The window opens whole on its screen, the tree
// fills its pane, each view window shows its whole form in either language,
// and in German the program's messages and Qt's standard buttons are German.
#include "StationFixtures.h"
#include "common/TestEnv.h"
#include "platform/ScrolledWindow.h"
#include "platform/Twips.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modViewDispatch.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
QScreen* screenNamed(const QString& name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == name)
            return s;
    return nullptr;
}

// The stored window rectangle in twips, written from pixels relative to the screen's corner.
QStringList storedRectangle(TestEnv& env, const QScreen* screen = nullptr, const QRect& r = {})
{
    const char* names[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    const QPoint corner = screen ? screen->geometry().topLeft() : QPoint();
    const int px[] = {corner.x() + r.x(), corner.y() + r.y(), r.width(), r.height()};
    const QString key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");
    QStringList values;
    for (int i = 0; i < 4; ++i) {
        if (screen)
            env.context().store->setValue(HKEY_CURRENT_USER, key, QLatin1String(names[i]),
                                          RegValue::fromText(QString::number(pxToTwips(px[i]))));
        values << env.context().store->value(HKEY_CURRENT_USER, key, QLatin1String(names[i]))->text;
    }
    return values;
}

QRect rectIn(const QWidget* w, const QWidget* ancestor) { return QRect(w->mapTo(ancestor, QPoint(0, 0)), w->size()); }

// A coupler with one view of each own form, and two terminals for the controller's grid.
const char* const kViewStation = R"(<Station Name="S" Pos="0"><Devices>
<Device Name="VR4855-0000" Pos="0" Icon="3">
 <NameCompID1>VR4855-0000</NameCompID1><SelCompID>0</SelCompID><Desc1031>K</Desc1031><Desc1033>C</Desc1033>
 <CfgTool><Views>
 <View Desc1031="T" Desc1033="T" Icon="43" ProgID="TableView" UserData="2" />
 <View Desc1031="P" Desc1033="P" Icon="39" ProgID="ProcessData" UserData="0" />
 <View Desc1031="C" Desc1033="C" Icon="36" ProgID="CommonSetting" UserData="0" />
 <View Desc1031="L" Desc1033="L" Icon="36" ProgID="CommonLocalUserSetting" UserData="0" />
 <View Desc1031="R" Desc1033="R" Icon="36" ProgID="ControllerSetting" UserData="0" />
</Views></CfgTool><Tables><Table Number="2" Length="4" /></Tables></Device>
<Device Name="TM8xx4-5555" Pos="1" Icon="5" /><Device Name="TM4585-5555" Pos="2" Icon="5" />
</Devices></Station>)";

// The view station's tree in w, as after a log-in; the returned document must outlive the tree.
std::shared_ptr<pugi::xml_document> showViewStation(frmMain& w)
{
    std::shared_ptr<pugi::xml_document> station = loadFixture(kViewStation);
    shell().gStationDocument = station;
    shell().gStationNode = station->child("Station");
    w.stationTree().hooks().online = [] { return true; };
    w.RebuildStationTree();
    return station;
}

// Opens the station's view of progId as a double click does; the form, or null.
QWidget* openView(frmMain& w, const QString& progId)
{
    for (int i = 0; i < shell().gViews.Count(); ++i)
        if (shell().gViews.At(i)->ViewProgID == progId)
            w.tvTreeView()->setCurrentItem(shell().gViews.At(i)->TreeNode);
    w.stationTree().tvTreeView_DblClick();
    QCoreApplication::processEvents();
    return w.stationTree().lastOpened();
}

// A fresh program's window, shown on the named screen with the default rectangle.
struct ShownWindow {
    TestEnv env;
    ShellContext shellContext;
    std::unique_ptr<frmMain> window;

    explicit ShownWindow(const QString& screen)
    {
        storedRectangle(env, screenNamed(screen), QRect(66, 66, 1333, 1333));
        window = std::make_unique<frmMain>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    ~ShownWindow() { env.context().gLogBox = nullptr; }
};
} // namespace

class tst_ScreenFit : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowOpensWholeOnItsScreen_data();
    void windowOpensWholeOnItsScreen();
    void panesFit_data();
    void panesFit();
    void viewWindowShowsWholeForm_data();
    void viewWindowShowsWholeForm();
    void viewWindowFitsFormByItsControls();
    void tableViewBesideAWidenedTreePane();
    void menusTreeAndSplitterShowWhatTheyHold();
    void germanMessagesAndStandardButtons();
};

void tst_ScreenFit::windowOpensWholeOnItsScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QRect>("stored");  // pixels from the screen's corner
    QTest::addColumn<QString>("edges"); // the screen edges the window's frame is pushed against
    QTest::newRow("1600x1200, default: too high") << "large" << QRect(66, 66, 1333, 1333) << "top bottom";
    QTest::newRow("1280x800, default: too large") << "small" << QRect(66, 66, 1333, 1333) << "left top right bottom";
    QTest::newRow("1280x800, sticking out") << "small" << QRect(1000, 600, 500, 350) << "right bottom";
    QTest::newRow("1280x800, fits: unchanged") << "small" << QRect(100, 50, 900, 700) << "";
}

void tst_ScreenFit::windowOpensWholeOnItsScreen()
{
    QFETCH(QString, screen);
    QFETCH(QRect, stored);
    QFETCH(QString, edges);
    TestEnv env;
    const QRect area = screenNamed(screen)->availableGeometry();
    const QStringList before = storedRectangle(env, screenNamed(screen), stored);
    {
        frmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect frame = w.frameGeometry();
        QVERIFY(area.contains(frame));
        const QStringList pushed = {frame.left() == area.left() ? "left" : "", frame.top() == area.top() ? "top" : "",
                                    frame.right() == area.right() ? "right" : "",
                                    frame.bottom() == area.bottom() ? "bottom" : ""};
        QCOMPARE(pushed.join(QLatin1Char(' ')).simplified(), edges);
        if (edges.isEmpty())
            QCOMPARE(QRect(w.pos(), w.size()), stored.translated(area.topLeft()));
        for (const QWidget* part : {static_cast<QWidget*>(w.txtLogBox()), static_cast<QWidget*>(w.sbStatusBar())})
            QVERIFY2(part->isVisible() && area.contains(rectIn(part, &w).translated(w.geometry().topLeft())),
                     qPrintable(part->objectName()));
        QCOMPARE(w.statusPanel(2)->text(), QStringLiteral("Offline"));
        QVERIFY(w.close());
    }
    QCOMPARE(storedRectangle(env), before); // fitted, not moved by the user: nothing stored
}

void tst_ScreenFit::panesFit_data()
{
    QTest::addColumn<QString>("screen");
    QTest::newRow("1600x1200") << "large";
    QTest::newRow("1280x800") << "small";
}

void tst_ScreenFit::panesFit()
{
    QFETCH(QString, screen);
    ShownWindow shown(screen);
    frmMain& w = *shown.window;

    // The tree's bottom edge meets its pane, and the pane the report box or the status bar.
    const std::function<void()> toggles[] = {
        [] {}, [&] { w.noviewMessageBox(); }, [&] { w.viewMessageBox(); }, [&] { w.noviewTreeView(); },
        [&] { w.viewTreeView(); }, [&] { w.noviewMessageBox(); }, [&] { w.noviewTreeView(); },
        [&] { w.viewTreeView(); }, [&] { w.viewMessageBox(); }};
    for (int step = 0; step < int(std::size(toggles)); ++step) {
        toggles[step]();
        QCoreApplication::processEvents();
        if (w.picMDI()->isHidden())
            continue;
        const QWidget* below = w.picMDIHor()->isHidden() ? static_cast<QWidget*>(w.sbStatusBar()) : w.picMDIHor();
        QVERIFY2(w.tvTreeView()->geometry() == QRect(0, 0, w.tvTreeView()->width(), w.picMDI()->height())
                     && rectIn(w.picMDI(), &w).bottom() + 1 == rectIn(below, &w).top(),
                 qPrintable(QString::number(step)));
    }
}

void tst_ScreenFit::viewWindowShowsWholeForm_data()
{
    QTest::addColumn<QString>("progId");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<bool>("english");
    const QStringList settingsButtons = {"cmdApply", "cmdCancel"};
    for (const bool english : {false, true}) {
        const auto row = [english](const char* name) -> QTestData& {
            return QTest::addRow("%s, %s", name, english ? "English" : "German");
        };
        row("register table") << "TableView" << QStringList{"cmdRefresh", "cmdExit"} << english;
        row("process image") << "ProcessData" << QStringList{"cmdExit"} << english;
        row("common settings") << "CommonSetting" << settingsButtons << english;
        row("local user-mapping") << "CommonLocalUserSetting" << settingsButtons << english;
        row("controller settings") << "ControllerSetting" << settingsButtons << english;
    }
}

// On the 1280x800 screen each view opens in a window that shows its whole form
// without scroll bars, its buttons whole and inside the window.
void tst_ScreenFit::viewWindowShowsWholeForm()
{
    QFETCH(QString, progId);
    QFETCH(QStringList, buttons);
    QFETCH(bool, english);
    ShownWindow shown(QStringLiteral("small"));
    frmMain& w = *shown.window;
    w.commands().mnuLanguageItem_Click(english ? 1 : 0);
    const std::shared_ptr<pugi::xml_document> station = showViewStation(w);
    QWidget* form = openView(w, progId);
    QVERIFY(form);
    const QWidget* viewport = w.mdiArea()->viewport();
    const auto* scrolled = form->findChild<ScrolledWindow*>(QStringLiteral("ScrolledWindow1"));
    QVERIFY(scrolled->vbarWindow()->isHidden() && scrolled->hbarWindow()->isHidden());
    for (const QString& name : buttons) {
        const auto* button = form->findChild<QPushButton*>(name);
        QVERIFY2(button->isVisible() && viewport->rect().contains(rectIn(button, viewport))
                     && scrolled->rect().contains(rectIn(button, scrolled))
                     && button->width() >= button->sizeHint().width(),
                 qPrintable(name + QLatin1Char(' ') + button->text()));
    }
}

// A form that declares nothing but the controls in its ScrolledWindow1 gets a
// window that shows them all; one wider than the area gets the area's width.
void tst_ScreenFit::viewWindowFitsFormByItsControls()
{
    TestEnv env;
    QMdiArea area;
    area.resize(900, 700);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    for (const int right : {600, 2000}) {
        auto* form = new QWidget;
        (new QPushButton(QStringLiteral("Far"), new ScrolledWindow(form)))->setGeometry(right - 100, 400, 100, 30);
        QMdiSubWindow* sub = area.addSubWindow(form);
        sub->move(500, 500); // the frame is moved back into the area
        fFitFormWindow(form, QSize(100, 100));
        sub->show();
        QVERIFY(area.viewport()->rect().contains(sub->geometry()));
        QCOMPARE(form->width() >= right + twipsToPx(120), right == 600);
        QCOMPARE(sub->width() == area.viewport()->width(), right == 2000);
        sub->close();
    }
}

// With the tree pane dragged wide, the register table's window still holds its buttons beside
// the grid: its own container shows no scroll bar under the grid's, and the area scrolls to them.
void tst_ScreenFit::tableViewBesideAWidenedTreePane()
{
    ShownWindow shown(QStringLiteral("small"));
    frmMain& w = *shown.window;
    const std::shared_ptr<pugi::xml_document> station = showViewStation(w);
    w.imgSplitter_MouseDown();
    w.imgSplitter_MouseMove(1, 0, 8000, 0);
    w.imgSplitter_MouseUp();
    QWidget* form = openView(w, QStringLiteral("TableView"));
    QVERIFY(form);
    QMdiArea* area = w.mdiArea();
    const auto* exit = form->findChild<QPushButton*>(QStringLiteral("cmdExit"));
    QVERIFY2(rectIn(exit, form).right() >= area->viewport()->width(), "the pane is not wide enough for the case");
    const auto* scrolled = form->findChild<ScrolledWindow*>(QStringLiteral("ScrolledWindow1"));
    QVERIFY(scrolled->hbarWindow()->isHidden());
    QVERIFY(form->width() >= form->minimumWidth());
    area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
    QCoreApplication::processEvents();
    for (const char* name : {"cmdRefresh", "cmdExit"}) {
        const auto* button = form->findChild<QPushButton*>(QLatin1String(name));
        QVERIFY2(scrolled->rect().contains(rectIn(button, scrolled))
                     && area->viewport()->rect().contains(rectIn(button, area->viewport())),
                 name);
    }
}

void tst_ScreenFit::menusTreeAndSplitterShowWhatTheyHold()
{
    ShownWindow shown(QStringLiteral("large"));
    frmMain& w = *shown.window;
    int separators = 0;
    std::function<void(QMenu*)> walk = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            QVERIFY2(action->text() != QLatin1String("-"), qPrintable(menu->objectName()));
            separators += action->isSeparator();
            if (action->menu())
                walk(action->menu());
        }
    };
    for (QAction* top : w.menuBar()->actions())
        walk(top->menu());
    QVERIFY(separators > 0);

    // A label longer than the pane gets a horizontal scroll bar, not an ellipsis.
    const QByteArray longLabel = QByteArray("2 channel analog input ").repeated(8);
    pugi::xml_document station;
    QVERIFY(station.load_string("<Station><Devices><Device Pos=\"1\" Icon=\"7\"><NameCompID1>TM6555-5555</NameCompID1>"
                                "<SelCompID>0</SelCompID><Desc1031>" + longLabel + "</Desc1031><Desc1033>" + longLabel
                                + "</Desc1033></Device></Devices></Station>"));
    app().gOfflineStation = station.child("Station");
    w.RebuildStationTree();
    QCoreApplication::processEvents();
    QVERIFY(w.tvTreeView()->horizontalScrollBar()->maximum() > 0);
    app().gOfflineStation = pugi::xml_node();

    // Dragged past the pane over the documents, the bar stays visible from top to bottom.
    w.imgSplitter_MouseDown();
    w.imgSplitter_MouseMove(1, 0, 3000, 0);
    QVERIFY(w.picSplitter()->x() > w.picMDI()->width());
    const QRect seen = w.picSplitter()->visibleRegion().boundingRect();
    QVERIFY(seen.width() == w.picSplitter()->width() && seen.height() >= w.picMDI()->height() - 2);
    w.imgSplitter_MouseUp();
    QCOMPARE(w.picMDI()->width(), w.picSplitter()->x());
}

void tst_ScreenFit::germanMessagesAndStandardButtons()
{
    ShownWindow shown(QStringLiteral("small"));
    frmMain& w = *shown.window;
    const auto buttonTexts = [] {
        QStringList texts;
        QTimer::singleShot(0, [&texts] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            for (QAbstractButton* b : box->buttons())
                texts << b->text().remove(QLatin1Char('&'));
            texts.sort();
            box->reject();
        });
        QtDialogs().MsgBox(QStringLiteral("?"), vbYesNoCancel | vbQuestion, QString());
        return texts;
    };

    w.commands().mnuLanguageItem_Click(0);
    gCommon().setPathFolderResCommon(shown.env.tempPath()); // no help file there
    w.HelpContents();
    QCOMPARE(shown.env.dialogs().messages,
             QStringList({QStringLiteral("Die Hilfe kann nicht angezeigt werden. "
                                         "Die Hilfedatei \"%1\" lässt sich nicht öffnen.|0|")
                              .arg(w.helpFile())}));
    QCOMPARE(buttonTexts(), QStringList({"Abbrechen", "Ja", "Nein"}));
    w.commands().mnuLanguageItem_Click(1);
    QCOMPARE(buttonTexts(), QStringList({"Cancel", "No", "Yes"}));

    // A wait ends as soon as it is no longer wanted (a main window closed during the splash).
    bool done = false;
    QTimer::singleShot(50, [&done] { done = true; });
    QElapsedTimer clock;
    clock.start();
    QtDialogs().WaitUntil(10000, [&done] { return done; });
    QVERIFY(clock.elapsed() < 2000);
}

int main(int argc, char* argv[])
{
    QTemporaryFile screens;
    if (!screens.open())
        return 1;
    screens.write(R"({"screens": [
        {"name": "large", "x": 0, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "small", "x": 1600, "y": 0, "width": 1280, "height": 800, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}
    ]})");
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    QApplication app(argc, argv);
    tst_ScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
