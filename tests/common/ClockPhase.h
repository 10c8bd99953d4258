#pragma once
// Starts a timed step at a fixed point of the monotonic clock's second. A coarse
// timer of two seconds is rounded to the clock's boundaries: started 100-200 ms
// into a second it fires about 100 ms early, every time.
#include <QThread>
#include <chrono>

inline void waitForClockPhase(int msIntoSecond)
{
    using namespace std::chrono;
    const auto phase = [] { return int(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() % 1000); };
    QThread::msleep(unsigned((msIntoSecond - phase() + 1000) % 1000));
    while (phase() != msIntoSecond) {
    }
}
