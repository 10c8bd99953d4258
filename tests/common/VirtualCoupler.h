#pragma once
// Starts td4700-vcoupler for a test: a station file from vcoupler/stations
// (or a path), options as on its command line, a trace file of every request.
// Faults can be armed and cleared while it runs. The process is stopped when
// the object goes.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SerialChannel;

class VirtualCoupler {
public:
    VirtualCoupler() = default;
    ~VirtualCoupler();
    VirtualCoupler(const VirtualCoupler&) = delete;
    VirtualCoupler& operator=(const VirtualCoupler&) = delete;

    // station: a file name in vcoupler/stations or a path. The serial line is linked as
    // COM<comNumber> in TD4700_PORTS_DIR (set by TestEnv); QNP listens on a free port.
    bool start(const QString& station, const QStringList& options = {}, int comNumber = 7);
    void stop();
    // The same station and options again, on the same COM link and TCP port, with a fresh trace:
    // a coupler switched off and on, which the program reaches again without new settings.
    bool restart();
    bool running() const { return m_process.state() == QProcess::Running; }

    static QString stationPath(const QString& name);

    QString devicePath() const { return m_devicePath; } // the pseudo-terminal
    QString linkPath() const { return m_linkPath; }     // COM<n> in the link folder
    int comNumber() const { return m_com; }
    quint16 tcpPort() const { return m_tcpPort; }
    QString routerAddress() const { return QStringLiteral("127.0.0.1:%1").arg(m_tcpPort); }
    QString netId() const { return m_netId; }
    int qnpPort() const { return m_qnpPort; }
    // Lines of the request trace so far, e.g. "serial read 0 9 0 2 = 0".
    QStringList trace() const;
    // The trace lines without the transport word, e.g. "read 0 9 0 2 = 0".
    QStringList requests() const;
    // The whole trace lines written since byte offset from, which moves past them.
    QStringList traceSince(qint64& from) const;
    QString output() const { return m_output; }
    // Points the channel at this coupler's COM link with the given time-out and opens it.
    bool openSerial(SerialChannel& channel, int timeoutMs) const;

    // Arms a fault ("lost@read:0/9/0/255", see docs/vcoupler-stations.md); false when refused.
    bool arm(const QString& spec);
    // Takes every armed fault back and ends a silence or a reboot.
    bool clearFaults();
    // Returns once the coupler has taken in, and traced, every request sent to it so far.
    bool sync();
    // When the last armed fault fired, on the monotonic clock of monotonicMs(); -1: none fired.
    qint64 firedAt() const;
    static qint64 monotonicMs();

private:
    bool command(const QString& line);

    QProcess m_process;
    QTemporaryDir m_dir;
    QString m_output, m_devicePath, m_linkPath, m_netId;
    QString m_station;
    QStringList m_options;
    quint16 m_listenPort = 0; // 0: a free one
    quint16 m_tcpPort = 0;
    int m_qnpPort = 0;
    int m_com = 0;
};
