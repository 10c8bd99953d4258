#pragma once
// Commands on standard input while the coupler runs (--control), one a line:
// "fault KIND[:CODE]@TARGET" arms a fault, "clear" takes every fault back (and
// ends a silence or a reboot). Each line is answered "ok" or "error: reason".
#include <QByteArray>
#include <QObject>

class Coupler;
class QSocketNotifier;

class ControlInput : public QObject {
public:
    explicit ControlInput(Coupler& coupler, QObject* parent = nullptr);
    void start();

private:
    void readable();
    void command(const QString& line);

    Coupler& m_coupler;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
};
