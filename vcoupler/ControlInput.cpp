#include "ControlInput.h"

#include "Coupler.h"

#include <QSocketNotifier>
#include <cstdio>
#include <unistd.h>

ControlInput::ControlInput(Coupler& coupler, QObject* parent)
    : QObject(parent)
    , m_coupler(coupler)
{
}

void ControlInput::start()
{
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readable(); });
}

void ControlInput::readable()
{
    char buf[1024];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n <= 0) {
        m_notifier->setEnabled(false); // the other end went away; keep serving
        return;
    }
    m_buffer.append(buf, n);
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n')) {
        const QString line = QString::fromUtf8(m_buffer.left(end)).trimmed();
        m_buffer.remove(0, end + 1);
        if (!line.isEmpty())
            command(line);
    }
}

void ControlInput::command(const QString& line)
{
    QString reply = QStringLiteral("ok");
    if (line == QLatin1String("clear")) {
        m_coupler.clearFaults();
        m_coupler.trace(QStringLiteral("clear"));
    } else if (line == QLatin1String("sync")) {
        if (m_takeInPending)
            m_takeInPending();
    } else if (line.startsWith(QLatin1String("fault "))) {
        QString error;
        if (!m_coupler.armFault(line.mid(6), error))
            reply = QStringLiteral("error: ") + error;
    } else {
        reply = QStringLiteral("error: unknown command ") + line;
    }
    std::fputs(qPrintable(reply + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}
