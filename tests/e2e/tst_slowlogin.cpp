// A log-in over a slow link, the coupler answering every request after 120 ms: the
// window keeps running its events, the status bar names the position being read, the
// user's input waits for nothing, and Escape ends the log-in as a failed one within
// one time-out, with nothing shown or cached of the unfinished read.
#include "common/FaultMatrix.h"
#include "common/WindowSystem.h"

#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int kTimeoutMs = 500;
const QStringList kSlowReplies{QStringLiteral("--delay-ms"), QStringLiteral("120")};

// Ticks every 10 ms while it lives: the longest time the event loop did not run, the
// status texts it saw and when the first came, whether one stayed once the tree was
// shown, and what to do once a terminal is being read.
class EventLoopWatch : public QObject {
public:
    EventLoopWatch(frmMain& window, std::function<void()> atTerminal = {}, std::function<qsizetype()> requests = {})
        : m_status(window.sbStatusBar())
        , m_tree(window.tvTreeView())
        , m_atTerminal(std::move(atTerminal))
        , m_requests(std::move(requests))
    {
        m_clock.start();
        m_since.start();
        connect(&m_timer, &QTimer::timeout, this, [this] {
            longestGapMs = std::max(longestGapMs, m_clock.restart());
            const QString text = m_status->currentMessage();
            if (!text.isEmpty() && shown.isEmpty()) {
                firstShownMs = m_since.elapsed();
                requestsBeforeShown = m_requests ? m_requests() : -1;
            }
            if (!text.isEmpty() && !shown.contains(text))
                shown << text;
            if (!text.isEmpty() && m_tree->topLevelItemCount() > 0)
                shownWithTheTree = text;
            if (m_atTerminal && text.contains(QRegularExpression(QStringLiteral("[Pp]osition [1-9]")))) {
                const auto act = std::exchange(m_atTerminal, {});
                act();
            }
        });
        m_timer.start(10);
    }
    qint64 longestGapMs = 0;
    qint64 firstShownMs = -1;
    qsizetype requestsBeforeShown = -1; // the coupler's count when the first text came
    QStringList shown;
    QString shownWithTheTree;

private:
    QStatusBar* m_status;
    QTreeWidget* m_tree;
    std::function<void()> m_atTerminal;
    std::function<qsizetype()> m_requests;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_since;
};

} // namespace

class tst_SlowLogin : public QObject, MatrixFixture {
    Q_OBJECT

    frmMain& w() { return p().window(); }
    QStatusBar* status() { return w().sbStatusBar(); }
    void useLanguage(bool english) { w().mnuLanguageItem().item(english ? 1 : 0)->trigger(); }

private Q_SLOTS:
    void initTestCase() { QGuiApplication::setQuitOnLastWindowClosed(false); }
    void init()
    {
        QVERIFY2(startMatrix(QStringLiteral("vn6555-demo.xml"), kTimeoutMs, kSlowReplies), qPrintable(p().coupler().output()));
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
    }
    void cleanup() { stopMatrix(); }

    void windowStaysAlive_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("english");
        QTest::newRow("serial, German") << "serial" << false;
        QTest::newRow("network, English") << "qnp" << true;
    }
    void windowStaysAlive()
    {
        QFETCH(QString, transport);
        QFETCH(bool, english);
        p().useTransport(transport);
        useLanguage(english);
        const qsizetype before = p().coupler().requests().size();
        EventLoopWatch watch(w(), {}, [&] { return p().coupler().requests().size() - before; });
        QVERIFY2(p().logIn(), qPrintable(p().log()));
        QVERIFY2(watch.longestGapMs < 500, qPrintable(QStringLiteral("%1 ms").arg(watch.longestGapMs)));
        // From the first request, the coupler's, on; gone once the station is read.
        QCOMPARE(watch.shown.value(0), english ? QStringLiteral("Reading position 0") : QStringLiteral("Lese Position 0"));
        // Counted in the coupler's requests, which a busy machine does not stretch (the probe and the
        // coupler's own tables come first; the terminals' reads come well after); the clock is a backstop.
        const QString seen = p().coupler().requests().mid(before, 8).join(QLatin1Char('|'));
        QVERIFY2(watch.requestsBeforeShown >= 0 && watch.requestsBeforeShown <= 4,
                 qPrintable(QStringLiteral("%1 requests: %2").arg(watch.requestsBeforeShown).arg(seen)));
        QVERIFY2(watch.firstShownMs < 3000, qPrintable(QStringLiteral("%1 ms").arg(watch.firstShownMs)));
        QCOMPARE(watch.shownWithTheTree, QString());
        const QString last = english ? QStringLiteral("Reading position 5 of 5") : QStringLiteral("Lese Position 5 von 5");
        QVERIFY2(watch.shown.contains(last), qPrintable(watch.shown.join(QLatin1Char('|'))));
        QVERIFY2(watch.shown.size() >= 4, qPrintable(watch.shown.join(QLatin1Char('|'))));
        QCOMPARE(status()->currentMessage(), QString());
        QCOMPARE(p().devicePositions().size(), 7); // the coupler, five terminals, the end terminal
    }

    void escapeEndsTheLogIn_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<bool>("english");
        QTest::newRow("serial, English") << "serial" << true;
        QTest::newRow("network, German") << "qnp" << false;
    }
    void escapeEndsTheLogIn()
    {
        QFETCH(QString, transport);
        QFETCH(bool, english);
        p().useTransport(transport);
        useLanguage(english);
        p().clearCache();
        QElapsedTimer clock;
        clock.start();
        qint64 pressed = -1;
        EventLoopWatch watch(w(), [&] {
            pressed = clock.elapsed();
            QApplication::setActiveWindow(&w());
            QTest::keyClick(&w(), Qt::Key_Escape);
        });
        QVERIFY(!p().logIn());
        const qint64 ended = clock.elapsed();
        QVERIFY(pressed >= 0);
        QVERIFY2(ended - pressed <= kTimeoutMs, qPrintable(QStringLiteral("%1 ms after Escape").arg(ended - pressed)));

        QVERIFY(p().treeLines().isEmpty());
        QVERIFY(shell().gStationDocument == nullptr);
        QVERIFY2(p().cacheFiles().isEmpty(), qPrintable(p().cacheFiles().keys().join(' ')));
        const QStringList lines = p().logLines();
        QCOMPARE(lines.mid(lines.size() - 2),
                 (QStringList{english ? "Log-in cancelled" : "Einloggen abgebrochen", "Offline"}));
        QCOMPARE(status()->currentMessage(), QString());
        // The port is closed: the next log-in starts afresh and reads the whole station.
        const qsizetype sent = p().coupler().requests().size();
        QTest::qWait(kTimeoutMs);
        QCOMPARE(p().coupler().requests().size(), sent);
        QVERIFY(p().logIn());
        QCOMPARE(p().devicePositions().size(), 7);
    }

    // Keys, clicks and a close request during the read run nothing then and nothing later;
    // the close waits for the end of the log-in.
    void inputDuringTheReadIsDropped()
    {
        bool sent = false;
        EventLoopWatch watch(w(), [&] {
            QApplication::setActiveWindow(&w()); // where the keys are shortcuts
            QTest::keyClick(&w(), Qt::Key_F12);
            QTest::keyClick(&w(), Qt::Key_F11);
            QTest::mouseClick(w().tvTreeView()->viewport(), Qt::LeftButton);
            postCloseRequest(w());
            sent = true;
        });
        QVERIFY(p().logIn());
        QVERIFY(sent);
        // One log-in, not a log-out and another log-in inside it.
        QCOMPARE(p().coupler().requests().count(QStringLiteral("read 0 9 0 2 = 0")), 1);
        QCOMPARE(p().logLines().count(QStringLiteral("Check diagnostic data ...")), 1);
        QVERIFY(!p().logLines().contains(QStringLiteral("Offline")));
        QCOMPARE(p().devicePositions().size(), 7);
        QVERIFY(w().isVisible());
        QTRY_VERIFY(!w().isVisible()); // the close came after
    }
};

QTEST_MAIN(tst_SlowLogin)
#include "tst_slowlogin.moc"
