#pragma once
// The QNP channel: our frames over TCP to the local router, each in an
// envelope with the target net id and port; the router reaches the device.
// Router address: TD4700_QNP_ROUTER as host:port, else 127.0.0.1 and kDefaultRouterPort.
#include "FrameChannel.h"

#include <QString>
#include <memory>

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

    static void routerAddress(QString& host, quint16& port);

protected:
    int32_t transact(uint8_t kind, const QByteArray& payload, QByteArray& reply) override;

private:
    class Param : public IQNPDeviceParam {
    public:
        void SetTimeout(int32_t v) override { timeout = v; }
        void SetPort(int32_t v) override { port = v; }
        void SetNetId(const QString& v) override { netId = v; }
        int32_t timeout = 500;
        int32_t port = 100;
        QString netId;
    };

    bool connectRouter(int timeoutMs);
    void dropConnection();

    Param m_param;
    std::unique_ptr<QTcpSocket> m_socket;
    QByteArray m_rx; // bytes of the router stream not yet taken
    QString m_host;
    quint16 m_routerPort = 0;
    bool m_open = false;
    uint8_t m_seq = 0;
};
