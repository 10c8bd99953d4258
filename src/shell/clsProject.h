#pragma once
// The project's online state: assigning Online logs in (opens the current
// channel and probes the coupler) or logs out, and announces the change.
#include <QObject>

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

Q_SIGNALS:
    // Carries the field itself; connect it directly, the handler runs inside setOnline.
    void ProjectStateChangeOnline(bool& online);

private:
    void LogIn();
    void LogOut();

    bool m_online = false;
};
