// The program's waits with window messages running: never shorter than asked,
// also while other timers keep the event loop busy (a coarse timer of two
// seconds fires up to 5 % early).
#include "common/ClockPhase.h"
#include "platform/Dialogs.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class tst_DialogWaits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void neverEndsEarly_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("until"); // WaitUntil with a condition that never holds
        QTest::addColumn<int>("phase");  // ms into the clock's second at the start
        for (int phase : {0, 120, 150, 180})
            QTest::addRow("restart wait, started %d ms into a second", phase) << 2000 << false << phase;
        QTest::newRow("wait until, never done") << 2000 << true << 150;
    }
    void neverEndsEarly()
    {
        QFETCH(int, ms);
        QFETCH(bool, until);
        // The timers of an open process image and cycle-time view.
        QTimer image, cycle;
        int ticks = 0;
        for (auto [timer, interval] : {std::pair{&image, 100}, std::pair{&cycle, 50}}) {
            connect(timer, &QTimer::timeout, this, [&] { ++ticks; });
            timer->start(interval);
        }
        QtDialogs dialogs;
        QFETCH(int, phase);
        waitForClockPhase(phase);
        QElapsedTimer clock;
        clock.start();
        if (until)
            dialogs.WaitUntil(ms, [] { return false; });
        else
            dialogs.Wait(ms);
        const qint64 elapsed = clock.nsecsElapsed() / 1000000;
        QVERIFY2(elapsed >= ms, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QVERIFY2(elapsed < ms + 500, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
        QVERIFY(ticks > 0); // the event loop ran meanwhile
    }

    // Last: the program told to quit stays so, and a wait then ends rather than spin to its end.
    void endsWhenTheProgramQuits()
    {
        QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        QElapsedTimer clock;
        clock.start();
        QtDialogs().Wait(3000);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(tst_DialogWaits)
#include "tst_dialogwaits.moc"
