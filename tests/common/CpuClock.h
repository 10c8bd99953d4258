#pragma once
// The processor time this thread has used. Work timed with it stays the same when the machine
// is busy and the thread waits for the processor, where wall time grows without bound.
#include <QtGlobal>
#include <ctime>

class CpuClock {
public:
    CpuClock() { restart(); }
    void restart() { m_start = now(); }
    qint64 elapsedMs() const { return (now() - m_start) / 1000000; }

private:
    static qint64 now()
    {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    qint64 m_start = 0;
};
