#pragma once
// The project's online state: assigning Online logs in (opens the current
// channel and probes the coupler) or logs out, and announces the change.
#include <QObject>
#include <cstdint>

class clsProject : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    bool Online() const { return m_online; }
    // An assignment of the current value does nothing.
    void setOnline(bool value);

    // The log line of a log-in whose port cannot be opened, in the current language,
    // naming the port when there is one.
    static QString portNotOpenedText(const QString& port);
    // The log line of a log-in without a channel object, naming the stored channel kind.
    static QString noChannelText(const QString& device);
    // The log line of a failed probe read: "n Timeout" for a time-out, else what failed and its code.
    static QString probeFailedText(int attempt, int32_t code);

Q_SIGNALS:
    // Carries the field itself; connect it directly, the handler runs inside setOnline.
    // A log-in handler that cannot complete the log-in sets it back to false: the
    // project then stays offline and closes the port.
    void ProjectStateChangeOnline(bool& online);

private:
    void LogIn();
    void LogOut();

    bool m_online = false;
};
