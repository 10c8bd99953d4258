#pragma once
// The QNP channel: our frames over TCP to the local router, each in an
// envelope with the target net id and port; the router reaches the device.
// Router address: TD4700_QNP_ROUTER as host:port, else 127.0.0.1 and kDefaultRouterPort.
#include "FrameChannel.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QDeadlineTimer;
class QTcpSocket;

class QnpChannel : public FrameChannel<IQNPChannel> {
public:
    static constexpr quint16 kDefaultRouterPort = 24700;

    QnpChannel();
    ~QnpChannel() override;

    int32_t PortOpen() override;
    int32_t PortClose() override;
    IChannelParam* GetDeviceParamObj() override { return &m_param; }
    QString PortName() const override;

    // False when TD4700_QNP_ROUTER is set but names no host with a port 1..65535;
    // the channel then does not open rather than reach a router nobody named.
    static bool routerAddress(QString& host, quint16& port);

    // Resolves a router name; blocking, run on a thread of its own. Tests put a slow one in.
    using HostLookup = std::function<QList<QHostAddress>(const QString& host)>;
    void setHostLookup(HostLookup lookup) { m_lookup = std::move(lookup); }

protected:
    int32_t transact(uint8_t kind, const QByteArray& payload, QByteArray& reply) override;

private:
    class Param : public IQNPDeviceParam {
    public:
        void SetTimeout(int32_t v) override { timeout = clampTimeout(v); }
        void SetPort(int32_t v) override { port = v; }
        void SetNetId(const QString& v) override { netId = v; }
        int32_t timeout = 500;
        int32_t port = 100;
        QString netId;
    };

    struct Lookup;

    int32_t exchange(uint8_t kind, const QByteArray& payload, QByteArray& reply);
    bool connectRouter(int timeoutMs);
    // Before a request: false when the router closed or broke the link, which is then rebuilt.
    bool linkStillUp(const QDeadlineTimer& deadline);
    QList<QHostAddress> resolveRouter(int timeoutMs);
    void dropConnection();

    Param m_param;
    std::unique_ptr<QTcpSocket> m_socket;
    QByteArray m_rx; // bytes of the router stream not yet taken
    QString m_host;
    quint16 m_routerPort = 0;
    bool m_open = false;
    uint8_t m_seq = 0;
    HostLookup m_lookup;
    std::shared_ptr<Lookup> m_pendingLookup; // a lookup that outlived its call, taken up by the next
};
