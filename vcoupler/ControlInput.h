#pragma once
// Commands on standard input while the coupler runs (--control), one a line:
// "fault KIND[:CODE]@TARGET" arms a fault, "clear" takes every fault back (and
// ends a silence or a reboot), "sync" first takes in every request already sent
// to the coupler, so the trace holds them when the answer comes. Each line is
// answered "ok" or "error: reason".
#include <QByteArray>
#include <QObject>
#include <functional>

class Coupler;
class QSocketNotifier;

class ControlInput : public QObject {
public:
    explicit ControlInput(Coupler& coupler, QObject* parent = nullptr);
    void start();
    // What "sync" runs before it answers: the transports take in what waits for them.
    void setTakeInPending(std::function<void()> takeIn) { m_takeInPending = std::move(takeIn); }

private:
    void readable();
    void command(const QString& line);

    Coupler& m_coupler;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
    std::function<void()> m_takeInPending;
};
