#pragma once
// Hands bytes to a writer no faster than a serial line of the given baud rate
// carries them (10 bits a byte: start, 8 data, stop); baud 0 writes at once.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

class PacedLine : public QObject {
public:
    using Writer = std::function<void(const QByteArray&)>;
    explicit PacedLine(Writer writer, QObject* parent = nullptr);

    void setBaud(int baud) { m_baud = baud; }
    int baud() const { return m_baud; }
    // Milliseconds one byte takes on the line.
    double byteMs() const { return m_baud > 0 ? 10000.0 / m_baud : 0.0; }
    // Queues bytes whose first bit goes out no earlier than afterMs from now.
    void send(const QByteArray& bytes, double afterMs = 0);
    void clear();

private:
    void release();

    struct Chunk {
        QByteArray bytes;
        double startMs = 0;
        qsizetype sent = 0;
    };
    Writer m_writer;
    int m_baud = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
    std::deque<Chunk> m_queue;
    double m_lineFreeAt = 0;
};
