#include "VirtualCoupler.h"

#include "platform/SerialChannel.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

VirtualCoupler::~VirtualCoupler() { stop(); }

QString VirtualCoupler::stationPath(const QString& name)
{
    if (QFileInfo(name).isAbsolute())
        return name;
    return QStringLiteral(TD4700_SOURCE_DIR "/vcoupler/stations/") + name;
}

bool VirtualCoupler::start(const QString& station, const QStringList& options, int comNumber)
{
    stop();
    m_output.clear();
    m_devicePath.clear();
    m_linkPath.clear();
    m_tcpPort = 0;
    m_com = comNumber;
    m_station = station;
    m_options = options;
    QStringList args{stationPath(station), QStringLiteral("--com"), QString::number(comNumber),
                     QStringLiteral("--qnp-listen"), QString::number(m_listenPort), QStringLiteral("--trace"),
                     m_dir.filePath(QStringLiteral("trace.txt")), QStringLiteral("--control")};
    args += options;
    m_process.setProgram(QStringLiteral(TD4700_VCOUPLER_PATH));
    m_process.setArguments(args);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!m_output.contains(QLatin1String("ready\n"))) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running)
            return false;
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    }
    for (const QString& line : m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(' '));
        if (f.value(0) == QLatin1String("serial") && f.size() >= 3) {
            m_devicePath = f[1];
            m_linkPath = f[2];
        } else if (f.value(0) == QLatin1String("qnp") && f.size() >= 4) {
            m_tcpPort = quint16(f[1].section(QLatin1Char(':'), 1).toUInt());
            m_netId = f[2];
            m_qnpPort = f[3].toInt();
        }
    }
    return !m_devicePath.isEmpty() && m_tcpPort != 0;
}

bool VirtualCoupler::restart()
{
    stop();
    m_listenPort = m_tcpPort;
    const bool started = start(m_station, m_options, m_com);
    m_listenPort = 0;
    return started;
}

bool VirtualCoupler::openSerial(SerialChannel& channel, int timeoutMs) const
{
    auto* param = dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj());
    if (!param)
        return false;
    param->SetPort(m_com);
    param->SetTimeout(timeoutMs);
    return channel.PortOpen() == 0;
}

void VirtualCoupler::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

QStringList VirtualCoupler::trace() const
{
    QFile file(m_dir.filePath(QStringLiteral("trace.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList VirtualCoupler::traceSince(qint64& from) const
{
    QFile file(m_dir.filePath(QStringLiteral("trace.txt")));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(from))
        return {};
    QByteArray bytes = file.readAll();
    bytes.truncate(bytes.lastIndexOf('\n') + 1); // a line still being written comes next time
    from += bytes.size();
    return QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList VirtualCoupler::requests() const
{
    QStringList out;
    for (const QString& line : trace()) {
        if (line.startsWith(QLatin1String("serial ")) || line.startsWith(QLatin1String("qnp ")))
            out << line.section(QLatin1Char(' '), 1);
    }
    return out;
}

bool VirtualCoupler::command(const QString& line)
{
    if (m_process.state() != QProcess::Running)
        return false;
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    const qsizetype from = m_output.size();
    m_process.write((line + QLatin1Char('\n')).toUtf8());
    const QDeadlineTimer deadline(5000);
    for (;;) {
        const qsizetype end = m_output.indexOf(QLatin1Char('\n'), from);
        if (end >= 0)
            return m_output.mid(from, end - from) == QLatin1String("ok");
        if (deadline.hasExpired() || m_process.state() != QProcess::Running)
            return false;
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    }
}

bool VirtualCoupler::arm(const QString& spec) { return command(QStringLiteral("fault ") + spec); }

bool VirtualCoupler::clearFaults() { return command(QStringLiteral("clear")); }

bool VirtualCoupler::sync() { return command(QStringLiteral("sync")); }

qint64 VirtualCoupler::firedAt() const
{
    const QStringList lines = trace();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (*it == QLatin1String("clear"))
            break;
        if (it->startsWith(QLatin1String("fired ")))
            return it->section(QLatin1Char(' '), -1).toLongLong();
    }
    return -1;
}

qint64 VirtualCoupler::monotonicMs()
{
    QElapsedTimer now;
    now.start();
    return now.msecsSinceReference();
}
