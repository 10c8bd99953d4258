// Leaving a view with work in flight, through the main window against the
// virtual coupler: text typed into an open cell editor of the register table
// or the process image is written by no way of leaving the view (log-out,
// log-in, a language switch, its close box, its Exit button, the main window's
// close), and a process image closed by a log-out over a dead link reads no more.
#include "common/FaultMatrix.h"
#include "common/WindowSystem.h"

#include "dataviews/ProcImageModel.h"
#include "dataviews/RegisterTableModel.h"
#include "dataviews/frmProcData.h"
#include "dataviews/frmTable.h"
#include "platform/FormRegistry.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modViewDispatch.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = MatrixProgram::kTimeoutMs;

enum Leave { LogOut, LogIn, Language, CloseBox, ExitButton };
const char* const kLeaveNames[] = {"F12", "F11", "language switch", "close box", "Exit button"};

struct ViewCase {
    const char* name;
    const char* progId;
    const char* userData;
    const char* grid;
    int row;
    int column;
    const char* typed;
};
// Table 0 is write-protected: a write there would be refused, and the refusal shown nowhere.
const ViewCase kViews[] = {
    {"register table 100", "TableView", "100", "tdbgData", 1, RegisterTableModel::ColHex, "ABCD"},
    {"register table 0", "TableView", "0", "tdbgData", 1, RegisterTableModel::ColHex, "ABCD"},
    {"process image", "ProcessData", "0", "tdbgOutData", 0, ProcImageModel::ColData, "FF"},
};

// Enter on the case's cell, then the typed text; the open editor, or null when that failed.
QLineEdit* typeIntoCell(QWidget& form, const ViewCase& c)
{
    auto* grid = form.findChild<QTableView*>(QLatin1String(c.grid));
    const QModelIndex cell = grid->model()->index(c.row, c.column);
    grid->setFocus();
    if (!QTest::qWaitFor([&] { return grid->hasFocus() && (grid->model()->flags(cell) & Qt::ItemIsEditable); }))
        return nullptr;
    grid->setCurrentIndex(cell);
    QTest::keyClick(grid, Qt::Key_Return);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    if (!editor || !editor->hasFocus())
        return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, QLatin1String(c.typed));
    return editor->text() == QLatin1String(c.typed) ? editor : nullptr;
}

} // namespace

class tst_LeaveView : public QObject, MatrixFixture {
    Q_OBJECT

    frmMain& w() { return p().window(); }
    QWidget* openFromTree(const ViewCase& view);
    QWidget* openOffline(const ViewCase& view);

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(startMatrix(QStringLiteral("vr4855.xml"), kTimeoutMs), qPrintable(p().coupler().output()));
        w().show();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
    }
    void cleanupTestCase() { stopMatrix(); }
    void cleanup() { w().mnuLanguageItem().item(0)->trigger(); }

    void typedTextIsNotWritten_data();
    void typedTextIsNotWritten();
    void logOutOverDeadLinkEndsTheTicks();
    void mainWindowCloseWritesNothing(); // the last: the program ends
};

QWidget* tst_LeaveView::openFromTree(const ViewCase& view)
{
    // The first such node in creation order: the coupler's, for a table.
    for (int i = 0; i < shell().gViews.Count(); ++i) {
        const clsView* record = shell().gViews.At(i);
        if (record->ViewProgID == QLatin1String(view.progId) && record->UserData == QLatin1String(view.userData)) {
            w().tvTreeView()->setCurrentItem(record->TreeNode);
            w().stationTree().tvTreeView_DblClick();
            return w().stationTree().lastOpened();
        }
    }
    return nullptr;
}

// Offline no node opens a view; the process image is put up as the dispatch would, on the closed channel.
QWidget* tst_LeaveView::openOffline(const ViewCase& view)
{
    if (QLatin1String(view.progId) != QLatin1String("ProcessData"))
        return nullptr;
    auto* form = new frmProcData;
    FormRegistry::Load(form);
    w().mdiArea()->addSubWindow(form)->show();
    form->RefreshData({}, app().gObjDevChannel, {});
    return form;
}

void tst_LeaveView::typedTextIsNotWritten_data()
{
    QTest::addColumn<int>("view");
    QTest::addColumn<int>("leave");
    for (int v = 0; v < int(std::size(kViews)); ++v)
        for (int l = LogOut; l <= ExitButton; ++l)
            if (l != LogIn || QLatin1String(kViews[v].progId) == QLatin1String("ProcessData"))
                QTest::addRow("%s, %s", kViews[v].name, kLeaveNames[l]) << v << l;
}

void tst_LeaveView::typedTextIsNotWritten()
{
    QFETCH(int, view);
    QFETCH(int, leave);
    const ViewCase& c = kViews[view];
    if (leave == LogIn)
        p().logOut();
    else
        QVERIFY2(p().onlineOver(QStringLiteral("serial")), qPrintable(p().log()));

    QPointer<QWidget> form = leave == LogIn ? openOffline(c) : openFromTree(c);
    QVERIFY(form);
    if (auto* table = qobject_cast<frmTable*>(form.data()))
        QCOMPARE(table->position(), 0);
    QLineEdit* editor = typeIntoCell(*form, c);
    QVERIFY(editor);

    const qsizetype mark = p().coupler().requests().size();
    switch (Leave(leave)) {
    case LogOut:
        QTest::keyClick(editor, Qt::Key_F12);
        QVERIFY(!p().online());
        break;
    case LogIn:
        QTest::keyClick(editor, Qt::Key_F11);
        QVERIFY2(p().online(), qPrintable(p().log()));
        break;
    case Language:
        w().mnuLanguageItem().item(1)->trigger();
        break;
    case CloseBox: {
        auto* sub = qobject_cast<QMdiSubWindow*>(form->parentWidget());
        QVERIFY(sub);
        // On this small screen the table's window is wider than the area: the user scrolls to its close box.
        QScrollBar* bar = w().mdiArea()->horizontalScrollBar();
        bar->setValue(bar->maximum());
        const QPoint box = closeButtonOf(sub);
        // The title bar takes the button under the pointer from a move onto it.
        QTest::mouseMove(sub, sub->rect().center());
        QTest::mouseMove(sub, box);
        QTest::mousePress(sub, Qt::LeftButton, {}, box);
        QTest::mouseRelease(sub, Qt::LeftButton, {}, box);
        break;
    }
    case ExitButton:
        QTest::mouseClick(form->findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
        break;
    }
    QTRY_VERIFY(form.isNull());
    QVERIFY(p().coupler().sync());
    QCOMPARE(p().coupler().requests().mid(mark).filter(QStringLiteral("write")), QStringList());
}

// A log-out closes the view before it lifts the protection again, which waits out a time-out on a dead
// link: ticks due then must not read on the closed view, nor log after "Offline".
void tst_LeaveView::logOutOverDeadLinkEndsTheTicks()
{
    gCommon().setAccessLevel(1);
    const auto production = qScopeGuard([] { gCommon().setAccessLevel(2); });
    p().logOut();
    QVERIFY2(p().onlineOver(QStringLiteral("serial")), qPrintable(p().log()));
    QPointer<QWidget> form = openFromTree(kViews[2]);
    QVERIFY(form);
    QTRY_VERIFY(static_cast<frmProcData*>(form.data())->ticks() >= 2);

    QVERIFY(p().coupler().arm(QStringLiteral("silent@req")));
    QTRY_VERIFY_WITH_TIMEOUT(p().log().contains(QLatin1String("ProcData Error")), 4 * kTimeoutMs);
    qsizetype closedAt = -1;
    struct CloseWatch : QObject {
        std::function<void()> closed;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Close)
                closed();
            return false;
        }
    } watch;
    watch.closed = [&] {
        if (p().coupler().sync())
            closedAt = p().coupler().requests().size();
    };
    form->installEventFilter(&watch);

    QTest::keyClick(&w(), Qt::Key_F12);
    QVERIFY(!p().online());
    QVERIFY(closedAt >= 0);
    QTest::qWait(3 * kTimeoutMs);
    const QStringList after = p().coupler().requests().mid(closedAt);
    QCOMPARE(after.filter(QRegularExpression(QStringLiteral("^read 0 11[0-7] "))), QStringList());
    QCOMPARE(p().logLines().filter(QStringLiteral("ProcData Error")), QStringList());
    QCOMPARE(p().logLines().value(0), QStringLiteral("Offline"));
    QVERIFY(p().coupler().clearFaults());
}

// The main window releases the channel before it unloads the views: a late commit would use it.
void tst_LeaveView::mainWindowCloseWritesNothing()
{
    QVERIFY2(p().onlineOver(QStringLiteral("serial")), qPrintable(p().log()));
    const ViewCase& c = kViews[0];
    QPointer<QWidget> form = openFromTree(c);
    QVERIFY(form);
    QVERIFY(typeIntoCell(*form, c));
    const qsizetype mark = p().coupler().requests().size();
    QVERIFY(w().close());
    QTRY_VERIFY(form.isNull());
    QVERIFY(p().coupler().sync());
    QCOMPARE(p().coupler().requests().mid(mark).filter(QStringLiteral("write")), QStringList());
}

QTEST_MAIN(tst_LeaveView)
#include "tst_leaveview.moc"
