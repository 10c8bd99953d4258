#include "PacedLine.h"

#include <algorithm>
#include <cmath>

PacedLine::PacedLine(Writer writer, QObject* parent)
    : QObject(parent)
    , m_writer(std::move(writer))
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { release(); });
}

void PacedLine::send(const QByteArray& bytes, double afterMs)
{
    if (m_baud <= 0) {
        m_writer(bytes);
        return;
    }
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    const double start = std::max(now + afterMs, m_lineFreeAt);
    m_lineFreeAt = start + double(bytes.size()) * byteMs();
    m_queue.push_back({bytes, start, 0});
    release();
}

void PacedLine::clear()
{
    m_queue.clear();
    m_timer.stop();
    m_lineFreeAt = 0;
}

void PacedLine::release()
{
    const double now = double(m_clock.nsecsElapsed()) / 1e6;
    while (!m_queue.empty()) {
        Chunk& head = m_queue.front();
        // A byte has left the line once its ten bits have.
        const qsizetype due = std::clamp<qsizetype>(qsizetype((now - head.startMs) / byteMs()), 0, head.bytes.size());
        if (due > head.sent) {
            m_writer(head.bytes.mid(head.sent, due - head.sent));
            head.sent = due;
        }
        if (head.sent < head.bytes.size()) {
            const double next = head.startMs + double(head.sent + 1) * byteMs();
            m_timer.start(std::max(1, int(std::ceil(next - now))));
            return;
        }
        m_queue.pop_front();
    }
}
