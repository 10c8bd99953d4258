// Random input on the main window over the virtual coupler, with faults armed in
// the coupler as it goes: log-ins and log-outs, tree nodes opened, text typed
// into cells and fields, keys and buttons pressed, boxes answered, the language
// switched, views, dialogs and the main window closed, the coupler restarted.
// Each seed runs a bounded number of steps within a time budget. After every
// step no register write has reached the coupler unless the step pressed a
// commit key or button, and the event loop never stood still longer than
// kMaxGapMs. A failing seed prints its steps; TD4700_RANDOM_SEED (and
// TD4700_RANDOM_STEPS, TD4700_RANDOM_SECONDS) run one seed again, longer.
#include "common/FaultMatrix.h"
#include "common/HexImage.h"
#include "common/Sanitized.h"
#include "common/WindowSystem.h"

#include "platform/UserInputBlock.h"
#include "shell/MenuArray.h"
#include "shell/ShellContext.h"
#include "shell/ToolbarButtons.h"
#include "shell/frmDocument.h"
#include "shell/frmMain.h"
#include "shell/modViewDispatch.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>

#ifdef TD4700_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

struct SeedRun {
    quint32 seed;
    const char* station;
};
// The demo coupler (tables, settings, mapping, process image), a bus controller and the scripts' station.
const SeedRun kSeeds[] = {
    {1, "vn6555-demo.xml"},
    {2, "vr4855-plc.xml"},
    {3, "scripts.xml"},
    {4, "vn6555-demo.xml"},
};
constexpr int kSteps = 250;
constexpr int kBudgetMs = 20000;
constexpr int kMaxGapMs = 5000;
constexpr int kStepLimitMs = 60000; // a step this long hangs: its steps are printed and the run ends
constexpr int kLongestTyped = 40;    // longer texts are pasted

// What the user types: numbers in and out of the register range, blanks, long and non-ASCII text.
const QString kTexts[] = {
    QStringLiteral("0"), QStringLiteral("65535"), QStringLiteral("65536"), QStringLiteral("-1"),
    QStringLiteral("70000"), QStringLiteral("99999999999999999999"), QStringLiteral("0x10000"),
    QStringLiteral("FFFF"), QStringLiteral("&HFFFF"), QStringLiteral("1e5"), QStringLiteral(" 12 "),
    QString(), QStringLiteral(" "), QString(300, QLatin1Char('7')), QString(5000, QLatin1Char('A')),
    QStringLiteral("Äß€"), QStringLiteral("日本語"), QStringLiteral("\U0001F600"), QStringLiteral("١٢٣"),
    QStringLiteral("<&>\"'"), QStringLiteral("\x01\x1f"), QStringLiteral("12\t34"),
};
const Qt::Key kKeys[] = {
    Qt::Key_Return, Qt::Key_Enter, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape, Qt::Key_F2,
    Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown,
    Qt::Key_Home, Qt::Key_End, Qt::Key_Delete, Qt::Key_Backspace, Qt::Key_Space, Qt::Key_F11, Qt::Key_F12,
};
// The keys and buttons with which the user asks for a write; moving to another cell of a grid
// commits its open editor too.
bool commitKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab; }
bool cellKey(int key)
{
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right
        || key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
}
bool commitButton(const QString& name) { return name == QLatin1String("cmdApply") || name == QLatin1String("cmdScriptStart"); }

const char* const kFaultKinds[] = {"silent", "lost", "garbled", "truncated", "wrongseq",
                                   "error:8193", "error:4098", "error:1", "reboot", "kill"};
const char* const kFaultTargets[] = {"req", "req#3", "req#2+", "req#20", "read:0/0", "read:0/9",
                                     "read:1/0", "write:0/0", "write:0/1", "service:2", "service:1"};
const int kAnswers[] = {vbYes, vbNo, vbOK, vbCancel};

// The steps of the running seed, for the report of a failure or a crash.
std::mutex g_trailLock;
std::string g_trail;

void printTrail() { (void)!::write(STDERR_FILENO, g_trail.data(), g_trail.size()); }

void onFatalSignal(int sig)
{
    printTrail();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installTrailPrinter()
{
#ifdef TD4700_ASAN
    __sanitizer_set_death_callback([] { printTrail(); });
#else
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(sig, onFatalSignal);
#endif
    std::signal(SIGABRT, onFatalSignal);
}

QString describe(const QWidget* w)
{
    if (!w)
        return QStringLiteral("(none)");
    const QWidget* form = w;
    while (form->parentWidget() && !form->isWindow() && !qobject_cast<const QMdiSubWindow*>(form->parentWidget()))
        form = form->parentWidget();
    const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return form == w ? name : name + QStringLiteral(" of ") + QString::fromLatin1(form->metaObject()->className());
}

// A cell editor open in the grid: it lies in the grid's viewport.
bool editing(QTableView* grid)
{
    const QList<QWidget*> children = grid->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(children.cbegin(), children.cend(), [](QWidget* w) { return w->isVisible(); });
}

QString printable(const QString& text)
{
    QString out = text.size() > 40 ? text.left(20) + QStringLiteral("…(%1 chars)").arg(text.size()) : text;
    for (QChar& c : out)
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode()); // control pictures
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

// One seed's run: a step is chosen at random among those the program offers now.
class Monkey : public QObject {
public:
    Monkey(MatrixProgram& program, quint32 seed, const QString& folder)
        : m_p(program)
        , m_rng(seed)
    {
        // Files the file dialogs answer with: scripts, a firmware image, garbage, nothing.
        const auto write = [&](const QString& name, const QByteArray& content) {
            QFile file(folder + QLatin1Char('/') + name);
            if (file.open(QIODevice::WriteOnly))
                file.write(content);
            return file.fileName();
        };
        m_files << QString() << folder + QStringLiteral("/missing.xml") << folder
                << write(QStringLiteral("coupler.xml"),
                         "<Script><Desc>R</Desc><Table><Nummer>5</Nummer><Register><Offset>7</Offset>"
                         "<Value>FF</Value></Register></Table></Script>")
                << write(QStringLiteral("terminal.xml"),
                         "<Script><Register><Offset>32</Offset><Value>0x1234</Value></Register></Script>")
                << write(QStringLiteral("fw.hex"), hexImage(1300, 45825))
                << write(QStringLiteral("garbage.xml"), QByteArray("\xff\xfe<\0S\0", 6) + QByteArray(3000, '\x01'));
        m_heartbeat.setTimerType(Qt::PreciseTimer);
        connect(&m_heartbeat, &QTimer::timeout, this, [this] { beat(); });
        m_heartbeat.start(10);
        // A modal dialog runs its own loop inside the step that opened it: it is worked and closed from here.
        connect(&m_pilot, &QTimer::timeout, this, [this] { pilotModal(); });
        m_pilot.start(30);
    }

    // Runs up to steps steps within budgetMs; the failure, or empty.
    QString run(int steps, int budgetMs);
    int stepsRun() const { return m_step; }
    qint64 longestGap() const { return m_longestGap; }
    int writes() const { return m_writes; }

private:
    using Action = QString (Monkey::*)();
    struct Choice {
        int weight;
        Action action;
        bool onForm; // works in an open view or dialog: more likely while one is open
    };
    static const Choice kChoices[];

    int pick(int n) { return int(std::uniform_int_distribution<int>(0, n - 1)(m_rng)); }
    template <typename T>
    const T& pickOf(const QList<T>& list) { return list.at(pick(int(list.size()))); }
    bool chance(int percent) { return pick(100) < percent; }

    void beat();
    void pilotModal();
    void note(const QString& line);
    // Notes the step before it is done, so a crash inside it still names it.
    QString announce(const QString& what);
    // The test's own waits on the coupler are not the program's: the clock starts again.
    void restartGapClock() { m_lastBeat = m_clock.elapsed(); }
    QString checkStep();
    void prepareAnswers();

    QList<QWidget*> windows() const;
    QList<QWidget*> forms() const;
    // Controls of one form mostly, else of every window; grids and fields of every window.
    template <typename T>
    QList<T*> controls(bool oneForm = true);
    bool online() const { return m_p.online(); }
    QString trigger(QAction* action, const QString& what);

    QString logIn();
    QString logOut();
    QString openNode();
    QString menuCommand();
    QString toolbarButton();
    QString clickButton();
    QString clickCell();
    QString typeText();
    QString pressKey();
    QString switchLanguage();
    QString closeWindow();
    QString closeMainWindow();
    QString armFault();
    QString clearFaults();
    QString restartCoupler();
    QString idle();
    QString switchTransport();

    MatrixProgram& m_p;
    std::mt19937 m_rng;
    QStringList m_files;
    QTimer m_heartbeat, m_pilot;
    QElapsedTimer m_clock;
    qint64 m_lastBeat = 0, m_gap = 0, m_longestGap = 0;
    bool m_inStep = false;
    bool m_piloting = false; // an act inside a modal dialog is on its way
    bool m_commits = false; // the step pressed a commit key or button
    QString m_announced;
    QString m_broken; // the test's own setup failed
    int m_step = 0;
    int m_writes = 0; // register writes the coupler took in after commits
    qint64 m_tracePos = 0;
};

const Monkey::Choice Monkey::kChoices[] = {
    {8, &Monkey::logIn, false},          {2, &Monkey::logOut, false},        {6, &Monkey::openNode, false},
    {4, &Monkey::menuCommand, false},    {2, &Monkey::toolbarButton, false}, {8, &Monkey::clickButton, true},
    {8, &Monkey::clickCell, true},       {10, &Monkey::typeText, true},      {8, &Monkey::pressKey, true},
    {2, &Monkey::switchLanguage, false}, {3, &Monkey::closeWindow, true},    {1, &Monkey::closeMainWindow, false},
    {4, &Monkey::armFault, false},       {4, &Monkey::clearFaults, false},   {1, &Monkey::restartCoupler, false},
    {3, &Monkey::idle, false},           {1, &Monkey::switchTransport, false},
};
void Monkey::beat()
{
    const qint64 now = m_clock.elapsed();
    if (m_inStep)
        m_gap = std::max(m_gap, now - m_lastBeat);
    m_lastBeat = now;
}

void Monkey::note(const QString& line)
{
    const std::lock_guard<std::mutex> lock(g_trailLock);
    g_trail += line.toStdString() + '\n';
}

QString Monkey::announce(const QString& what)
{
    note(QStringLiteral("#%1 %2").arg(m_step).arg(what));
    m_announced = what;
    return what;
}

QString Monkey::run(int steps, int budgetMs)
{
    m_clock.start();
    std::atomic<qint64> stepStarted{-1};
    std::atomic<bool> finished{false};
    // A step that never ends: its steps are printed before the run is ended.
    std::thread watchdog([&] {
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const qint64 started = stepStarted;
            if (started >= 0 && m_clock.elapsed() - started > kStepLimitMs) {
                {
                    const std::lock_guard<std::mutex> lock(g_trailLock);
                    g_trail += "the last step did not end\n";
                }
                printTrail();
                std::_Exit(3);
            }
        }
    });
    QString failure;
    for (m_step = 0; m_step < steps && m_clock.elapsed() < budgetMs && failure.isEmpty(); ++m_step) {
        prepareAnswers();
        QString what;
        m_commits = false;
        stepStarted = m_clock.elapsed();
        m_lastBeat = m_clock.elapsed();
        m_gap = 0;
        m_inStep = true;
        m_announced.clear();
        // Mostly: log in when offline, open a view when none is open, work in it when one is.
        const QList<QWidget*> open = forms();
        const bool working = std::any_of(open.cbegin(), open.cend(), [](QWidget* f) { return !qobject_cast<frmDocument*>(f); });
        const auto weightOf = [&](const Choice& c) {
            int weight = c.weight;
            if (c.onForm && !open.isEmpty())
                weight *= working ? 4 : 2;
            if (c.action == &Monkey::openNode && !working)
                weight *= 3;
            if (c.action == &Monkey::logIn && !online())
                weight *= 3;
            return weight;
        };
        while (what.isEmpty()) {
            int total = 0;
            for (const Choice& c : kChoices)
                total += weightOf(c);
            int r = pick(total);
            for (const Choice& c : kChoices) {
                const int weight = weightOf(c);
                if (r < weight) {
                    what = (this->*c.action)();
                    break;
                }
                r -= weight;
            }
        }
        m_gap = std::max(m_gap, m_clock.elapsed() - m_lastBeat);
        m_inStep = false;
        stepStarted = -1;
        if (m_announced.isEmpty())
            note(QStringLiteral("#%1 %2").arg(m_step).arg(what));
        else if (what != m_announced)
            note(QStringLiteral("   ") + what);
        if (m_commits)
            note(QStringLiteral("   (a commit)"));
        if (m_gap > kMaxGapMs / 4)
            note(QStringLiteral("   (the event loop stood still for %1 ms)").arg(m_gap));
        m_longestGap = std::max(m_longestGap, m_gap);
        if (!m_broken.isEmpty())
            failure = m_broken;
        else if (QTest::currentTestFailed())
            failure = QStringLiteral("the program failed a check of the test");
        else if (m_gap > kMaxGapMs)
            failure = QStringLiteral("the event loop stood still for %1 ms").arg(m_gap);
        else
            failure = checkStep();
    }
    finished = true;
    watchdog.join();
    return failure;
}

void Monkey::prepareAnswers()
{
    RecordingDialogs& d = m_p.env().dialogs();
    d.answers.clear();
    for (int n = pick(4); n > 0; --n)
        d.answers << kAnswers[pick(int(std::size(kAnswers)))];
    d.openFileAnswer = pickOf(m_files);
    d.saveFileAnswer = pickOf(m_files);
    d.realWaits = chance(25);
}

// The writes the coupler took in during the step.
QString Monkey::checkStep()
{
    VirtualCoupler& coupler = m_p.coupler();
    if (!coupler.running())
        return {};
    if (!coupler.sync())
        return QStringLiteral("the coupler does not answer its control commands");
    const QStringList writes = coupler.traceSince(m_tracePos).filter(QRegularExpression(QStringLiteral("^(serial|qnp) write ")));
    m_writes += int(writes.size());
    if (writes.isEmpty() || m_commits)
        return {};
    return QStringLiteral("registers written without a commit key or button:\n  ") + writes.join(QStringLiteral("\n  "));
}

// The windows the user can reach: a modal dialog alone, else every shown window of the program.
QList<QWidget*> Monkey::windows() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return {modal};
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            out << w;
    return out;
}

// The views in the document area and the dialogs: where the user mostly works.
QList<QWidget*> Monkey::forms() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return {modal};
    QList<QWidget*> out;
    for (QMdiSubWindow* sub : m_p.window().mdiArea()->subWindowList())
        if (sub->isVisible() && sub->widget())
            out << sub->widget();
    for (QWidget* w : windows())
        if (w != &m_p.window())
            out << w;
    return out;
}

template <typename T>
QList<T*> Monkey::controls(bool oneForm)
{
    QList<QWidget*> within = forms();
    if (within.isEmpty() || !oneForm || chance(20))
        within = windows();
    else
        within = {pickOf(within)};
    QList<T*> out;
    for (QWidget* root : within)
        for (T* w : root->findChildren<T*>())
            if (w->isVisible() && w->isEnabled())
                out << w;
    return out;
}

QString Monkey::trigger(QAction* action, const QString& what)
{
    // A menu cannot be reached while a modal dialog or the program's own wait holds the input.
    if (!action || !action->isEnabled() || !action->isVisible() || QApplication::activeModalWidget()
        || UserInputBlock::isActive())
        return {};
    announce(what);
    action->trigger();
    return what;
}

QString Monkey::logIn()
{
    if (online())
        return {};
    const QString what = trigger(m_p.window().mnuOnlineItem().item(1), QStringLiteral("log in"));
    return what.isEmpty() || online() ? what : what + QStringLiteral(" (failed)");
}

QString Monkey::logOut()
{
    return online() ? trigger(m_p.window().mnuOnlineItem().item(2), QStringLiteral("log out")) : QString();
}

QString Monkey::openNode()
{
    QTreeWidget* tree = m_p.window().tvTreeView();
    // Mostly a node with one of the program's own views behind it: tables, settings, process image.
    QList<QTreeWidgetItem*> items;
    const bool views = chance(75);
    for (int i = 0; i < shell().gViews.Count(); ++i) {
        const clsView* record = shell().gViews.At(i);
        if (record->TreeNode && (!views || fIsOwnFormProgID(record->ViewProgID)))
            items << record->TreeNode;
    }
    // Offline no node opens a view: the user mostly logs in first.
    if (items.isEmpty() || QApplication::activeModalWidget() || (!online() && chance(80)))
        return {};
    if (!tree->isVisible()) {
        // As the user would: the tree pane is shown again first.
        trigger(m_p.window().mnuOptionAnsichtItem().item(1), QStringLiteral("menu Treeview, to show the tree"));
        if (!tree->isVisible())
            return m_announced;
    }
    QTreeWidgetItem* item = pickOf(items);
    for (QTreeWidgetItem* parent = item->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    const QString what = announce(QStringLiteral("double-click tree node %1").arg(printable(item->text(0))));
    if (tree->itemAt(at) == item) {
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    } else { // not laid out yet: chosen and opened with Enter
        tree->setCurrentItem(item);
        QTest::keyClick(tree, Qt::Key_Return);
    }
    return what;
}

QString Monkey::menuCommand()
{
    frmMain& w = m_p.window();
    // Not the channel settings: a time-out or port saved there is the user's own choice and no fault.
    const QList<MenuArray*> arrays{&w.mnuProjectItem(),     &w.mnuOnlineItem(),        &w.mnuOnlineTerminalItem(),
                                   &w.mnuOnlineCouplerItem(), &w.mnuOnlineStationItem(), &w.mnuDevOnlyItem(),
                                   &w.mnuOptionItem(),      &w.mnuOptionAnsichtItem(),  &w.mnuHelpItem()};
    MenuArray* array = pickOf(arrays);
    const QList<int> indexes = array->indexes();
    if (indexes.isEmpty())
        return {};
    const int index = pickOf(indexes);
    QAction* action = array->item(index);
    if (!action || action->isSeparator() || action->menu() || (array == &w.mnuProjectItem() && index == 21))
        return {};
    return trigger(action, QStringLiteral("menu %1(%2) %3").arg(array->name()).arg(index).arg(printable(action->text())));
}

QString Monkey::toolbarButton()
{
    ToolbarButtons& bar = m_p.window().tbToolBar();
    QAction* action = bar.button(1 + pick(24));
    if (!action || action->isSeparator())
        return {};
    return trigger(action, QStringLiteral("toolbar button %1").arg(printable(action->toolTip())));
}

QString Monkey::clickButton()
{
    const QList<QAbstractButton*> buttons = controls<QAbstractButton>();
    if (buttons.isEmpty())
        return {};
    QAbstractButton* button = pickOf(buttons);
    m_commits = commitButton(button->objectName());
    const QString what = announce(QStringLiteral("click %1 %2").arg(describe(button), printable(button->text())));
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    return what;
}

QString Monkey::clickCell()
{
    const QList<QTableView*> grids = controls<QTableView>(false);
    if (grids.isEmpty())
        return {};
    QTableView* grid = pickOf(grids);
    QAbstractItemModel* model = grid->model();
    if (!model || model->rowCount() == 0 || model->columnCount() == 0)
        return {};
    const QModelIndex cell = model->index(pick(model->rowCount()), pick(model->columnCount()));
    grid->scrollTo(cell);
    // Choosing another cell commits an open editor of the grid.
    m_commits = editing(grid);
    const QString what = announce(QStringLiteral("click cell (%1,%2) of %3").arg(cell.row()).arg(cell.column()).arg(describe(grid)));
    const QPoint at = grid->visualRect(cell).center();
    if (chance(30))
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    else
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    return what;
}

QString Monkey::typeText()
{
    const QString text = kTexts[pick(int(std::size(kTexts)))];
    const bool replace = chance(60);
    const QString how = QString(replace ? QStringLiteral(" over Ctrl+A") : QString())
        + (text.size() > kLongestTyped ? QStringLiteral(", pasted") : QString());
    QWidget* target = QApplication::focusWidget();
    const bool typeable = qobject_cast<QLineEdit*>(target) || qobject_cast<QAbstractSpinBox*>(target)
        || qobject_cast<QPlainTextEdit*>(target) || qobject_cast<QComboBox*>(target);
    if (!target || !typeable || !target->isVisible() || chance(50)) {
        // The fields of the views and dialogs, the report box only when there is none.
        QList<QWidget*> fields, reports;
        for (QWidget* w : controls<QWidget>(false)) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QTableView*>(w))
                fields << w;
            else if (qobject_cast<QPlainTextEdit*>(w))
                reports << w;
        }
        if (fields.isEmpty())
            fields = reports;
        if (fields.isEmpty())
            return {};
        target = pickOf(fields);
        if (auto* grid = qobject_cast<QTableView*>(target)) {
            // F2 on a cell opens its editor, where the text goes; choosing the cell commits an open one.
            QAbstractItemModel* model = grid->model();
            if (!model || model->rowCount() == 0 || model->columnCount() == 0)
                return {};
            const QModelIndex cell = model->index(pick(model->rowCount()), pick(model->columnCount()));
            m_commits = editing(grid);
            announce(QStringLiteral("type %1 into cell (%2,%3) of %4 after F2%5")
                         .arg(printable(text))
                         .arg(cell.row())
                         .arg(cell.column())
                         .arg(describe(grid), how));
            grid->scrollTo(cell);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
            QTest::keyClick(grid, Qt::Key_F2);
            target = QApplication::focusWidget();
        } else {
            announce(QStringLiteral("type %1 into %2 after a click%3").arg(printable(text), describe(target), how));
            QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
        }
    } else {
        announce(QStringLiteral("type %1 into %2%3").arg(printable(text), describe(target), how));
    }
    const QPointer<QWidget> guard(target);
    if (guard && replace)
        QTest::keyClick(guard, Qt::Key_A, Qt::ControlModifier);
    if (text.size() > kLongestTyped) {
        // Pasted, as a user enters a long text: typed, each key would lay the field out anew.
        QGuiApplication::clipboard()->setText(text);
        if (guard && guard->isVisible())
            QTest::keyClick(guard, Qt::Key_V, Qt::ControlModifier);
        return m_announced;
    }
    for (qsizetype i = 0; i < text.size() && guard && guard->isVisible(); ++i) {
        QString unit(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            unit += text[++i];
        QTest::sendKeyEvent(QTest::Click, guard.data(), Qt::Key_unknown, unit, Qt::NoModifier);
    }
    return m_announced;
}

QString Monkey::pressKey()
{
    QWidget* target = QApplication::focusWidget();
    if (!target || !target->isVisible() || chance(50)) {
        const QList<QWidget*> all = controls<QWidget>();
        if (all.isEmpty())
            return {};
        target = pickOf(all);
    }
    const Qt::Key key = kKeys[pick(int(std::size(kKeys)))];
    QWidget* inGrid = target;
    while (inGrid && !qobject_cast<QTableView*>(inGrid))
        inGrid = inGrid->parentWidget();
    auto* grid = qobject_cast<QTableView*>(inGrid);
    // Space presses a focused button as a click does.
    const bool pressesCommit = key == Qt::Key_Space && qobject_cast<QAbstractButton*>(target)
        && commitButton(target->objectName());
    m_commits = commitKey(key) || pressesCommit || (cellKey(key) && grid && editing(grid));
    const QString what = announce(QStringLiteral("key %1 on %2").arg(QKeySequence(key).toString(), describe(target)));
    QTest::keyClick(target, key);
    return what;
}

QString Monkey::switchLanguage()
{
    const int language = pick(2);
    return trigger(m_p.window().mnuLanguageItem().item(language),
                   language == 0 ? QStringLiteral("language German") : QStringLiteral("language English"));
}

QString Monkey::closeWindow()
{
    QList<QWidget*> targets;
    for (QMdiSubWindow* sub : m_p.window().mdiArea()->subWindowList())
        if (sub->isVisible())
            targets << sub;
    for (QWidget* w : windows())
        if (w != &m_p.window())
            targets << w;
    if (targets.isEmpty())
        return {};
    QWidget* target = pickOf(targets);
    auto* sub = qobject_cast<QMdiSubWindow*>(target);
    const QString what = announce(QStringLiteral("close %1").arg(describe(sub && sub->widget() ? sub->widget() : target)));
    if (sub)
        QTest::mouseClick(sub, Qt::LeftButton, {}, closeButtonOf(sub));
    else
        sendCloseRequest(*target);
    return what;
}

QString Monkey::closeMainWindow()
{
    if (QApplication::activeModalWidget())
        return {};
    announce(QStringLiteral("close the main window"));
    sendCloseRequest(m_p.window());
    QTest::qWait(20);
    if (m_p.window().isVisible())
        return QStringLiteral("close the main window (held)");
    // The program ended: it is started again on the same settings.
    m_p.restartProgram();
    m_p.window().show();
    if (!QTest::qWaitForWindowExposed(&m_p.window()))
        m_broken = QStringLiteral("the main window of the program started again did not show");
    restartGapClock();
    return QStringLiteral("close the main window and start the program again");
}

QString Monkey::armFault()
{
    if (!m_p.coupler().running())
        return {};
    const QString spec = QStringLiteral("%1@%2").arg(QLatin1String(kFaultKinds[pick(int(std::size(kFaultKinds)))]),
                                                      QLatin1String(kFaultTargets[pick(int(std::size(kFaultTargets)))]));
    announce(QStringLiteral("coupler fault ") + spec);
    if (!m_p.coupler().arm(spec))
        m_broken = QStringLiteral("the coupler refused the fault ") + spec;
    restartGapClock();
    return QStringLiteral("coupler fault ") + spec;
}

QString Monkey::clearFaults()
{
    if (!m_p.coupler().running())
        return {};
    announce(QStringLiteral("coupler faults cleared"));
    if (!m_p.coupler().clearFaults())
        m_broken = QStringLiteral("the coupler does not clear its faults");
    restartGapClock();
    return QStringLiteral("coupler faults cleared");
}

QString Monkey::restartCoupler()
{
    VirtualCoupler& coupler = m_p.coupler();
    const int offMs = pick(600);
    const QString what = announce(QStringLiteral("coupler off for %1 ms and on again").arg(offMs));
    coupler.stop();
    restartGapClock();
    QTest::qWait(offMs);
    m_tracePos = 0; // a new trace
    if (!coupler.restart())
        m_broken = QStringLiteral("the coupler did not start again: ") + coupler.output();
    restartGapClock();
    return what;
}

QString Monkey::idle()
{
    const int ms = pick(500);
    const QString what = announce(QStringLiteral("wait %1 ms").arg(ms));
    QTest::qWait(ms);
    return what;
}

QString Monkey::switchTransport()
{
    if (online())
        return {};
    const QString transport = pickOf(matrixTransports());
    m_p.useTransport(transport);
    return announce(QStringLiteral("channel %1 for the next log-in").arg(transport));
}

void Monkey::pilotModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !m_inStep || m_piloting)
        return;
    // The act runs from a timer of its own: a dialog it opens runs a loop in which this pilot acts again.
    m_piloting = true;
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
        if (b->isVisible() && b->isEnabled())
            buttons << b;
    const QPointer<QWidget> guard(modal);
    if (chance(40) && !buttons.isEmpty()) {
        const QPointer<QAbstractButton> button = pickOf(buttons);
        m_commits = m_commits || commitButton(button->objectName());
        note(QStringLiteral("   inside %1: click %2").arg(describe(modal), describe(button)));
        QTimer::singleShot(0, this, [this, button] {
            m_piloting = false;
            if (button && button->isVisible())
                QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        });
        return;
    }
    const bool escape = chance(50);
    note(QStringLiteral("   inside: %1 %2").arg(escape ? QStringLiteral("Escape on") : QStringLiteral("close"), describe(modal)));
    QTimer::singleShot(0, this, [this, guard, escape] {
        m_piloting = false;
        if (!guard || !guard->isVisible())
            return;
        if (escape)
            QTest::keyClick(guard, Qt::Key_Escape);
        else
            sendCloseRequest(*guard);
    });
}

class tst_RandomInput : public QObject, MatrixFixture {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QGuiApplication::setQuitOnLastWindowClosed(false);
        installTrailPrinter();
    }
    void cleanup() { stopMatrix(); }

    void randomSteps_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<QString>("station");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("budgetMs");
        const QByteArray seed = qgetenv("TD4700_RANDOM_SEED");
        if (!seed.isEmpty()) {
            const int steps = qEnvironmentVariableIsSet("TD4700_RANDOM_STEPS") ? qEnvironmentVariableIntValue("TD4700_RANDOM_STEPS") : kSteps;
            const int seconds = qEnvironmentVariableIsSet("TD4700_RANDOM_SECONDS") ? qEnvironmentVariableIntValue("TD4700_RANDOM_SECONDS") : 3600;
            const QString station = qEnvironmentVariable("TD4700_RANDOM_STATION", QStringLiteral("vn6555-demo.xml"));
            QTest::addRow("seed %s", seed.constData()) << quint32(seed.toUInt()) << station << steps << seconds * 1000;
            return;
        }
        for (const SeedRun& run : kSeeds)
            QTest::addRow("seed %u %s", run.seed, run.station) << run.seed << QString::fromLatin1(run.station) << kSteps << kBudgetMs;
    }
    void randomSteps()
    {
        QFETCH(quint32, seed);
        QFETCH(QString, station);
        QFETCH(int, steps);
        QFETCH(int, budgetMs);
        {
            const std::lock_guard<std::mutex> lock(g_trailLock);
            g_trail = QStringLiteral("steps of seed %1 on %2 (TD4700_RANDOM_SEED=%1 TD4700_RANDOM_STATION=%2):\n")
                          .arg(seed)
                          .arg(station)
                          .toStdString();
        }
        QVERIFY2(startMatrix(station, MatrixProgram::kTimeoutMs), qPrintable(p().coupler().output()));
        p().window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&p().window()));
        Monkey monkey(p(), seed, p().env().tempPath());
        const QString failure = monkey.run(steps, budgetMs);
        if (!failure.isEmpty() || qEnvironmentVariableIsSet("TD4700_RANDOM_SEED"))
            printTrail();
        QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("step %1: ").arg(monkey.stepsRun() - 1) + failure));
        qInfo("seed %u: %d steps, %d register writes after commits, longest event-loop gap %lld ms", seed,
              monkey.stepsRun(), monkey.writes(), monkey.longestGap());
    }
};

QTEST_MAIN(tst_RandomInput)
#include "tst_randominput.moc"
