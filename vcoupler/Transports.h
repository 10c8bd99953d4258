#pragma once
// The two ways in: a pseudo-terminal linked as a COM port, and a loopback
// TCP server that plays the QNP router for the coupler's own net id and port.
#include "Coupler.h"
#include "LinePacing.h"

#include <QObject>
#include <QTcpServer>

class QSocketNotifier;
class QTcpSocket;

class SerialLine : public QObject {
public:
    explicit SerialLine(Coupler& coupler, QObject* parent = nullptr);
    ~SerialLine() override;

    // Opens the pseudo-terminal and, for comNumber >= 1, links it as COM<comNumber> in portsDir.
    bool open(int comNumber, const QString& portsDir, QString& error);
    QString devicePath() const { return m_devicePath; }
    QString linkPath() const { return m_linkPath; }
    // Handles the requests that wait in the line now.
    void takeInPending();
    LinePacing pacing;

private:
    void readable();
    void write(const QByteArray& bytes);
    void flush();
    void close();
    // The line is pulled and plugged in again: a new terminal behind the same COM link.
    void replug();

    Coupler& m_coupler;
    int m_comNumber = 0;
    QString m_portsDir;
    int m_master = -1;
    int m_keepSlave = -1; // keeps the line up while no client has it open
    QString m_devicePath, m_linkPath;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_rx, m_tx;
};

class QnpRouter : public QObject {
public:
    explicit QnpRouter(Coupler& coupler, QObject* parent = nullptr);
    bool listen(quint16 port, QString& error);
    quint16 port() const { return m_server.serverPort(); }
    // Accepts the links that wait and handles the requests that wait on every link now.
    void takeInPending();

private:
    void accept();
    void readable(QTcpSocket* socket);

    Coupler& m_coupler;
    QTcpServer m_server;
};
