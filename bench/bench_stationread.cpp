// td4700-bench-stationread: reads stations of 1, 64 and 254 terminals from the
// virtual coupler over the pseudo-terminal, first with an empty description
// cache (cold), then from the cache (warm). Prints the requests, the bytes on
// the wire, the wall time and the time those bytes take on a 19200-baud line
// (10 bits a byte); fails when the warm read of 254 terminals takes 10 % or
// more of that wire time, since then the program's own work would show.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "devices/StationReadContext.h"
#include "devices/modStationRead.h"
#include "platform/ChannelProtocol.h"
#include "platform/SerialChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <vector>

namespace {

constexpr double kBaud = 19200.0;
constexpr double kBudget = 0.10;

// Counts the requests and the bytes of their frames and replies as the serial line carries them.
class CountingChannel : public IDeviceChannel {
public:
    explicit CountingChannel(IDeviceChannel& inner) : m_inner(inner) {}
    int requests = 0;
    qint64 bytes = 0;

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        const int32_t rc = m_inner.VbRegSyncReadReq(pos, table, first, count, buffer);
        ++requests;
        proto::Frame request;
        request.kind = proto::KindRead;
        request.payload = proto::readRequest(pos, table, first, count);
        proto::Frame reply;
        reply.kind = proto::KindRead | proto::KindReply;
        reply.payload = rc == 0 ? proto::readReplyPayload(std::vector<uint16_t>(size_t(count)))
                                : proto::replyPayload(rc);
        bytes += proto::encodeFrame(request).size() + proto::encodeFrame(reply).size();
        return rc;
    }
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        return m_inner.VbRegSyncWriteReq(pos, table, first, count, buffer);
    }
    int32_t PortOpen() override { return m_inner.PortOpen(); }
    int32_t PortClose() override { return m_inner.PortClose(); }
    IChannelParam* GetDeviceParamObj() override { return m_inner.GetDeviceParamObj(); }
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override
    {
        return m_inner.ServiceRequest(service, request, reply);
    }

private:
    IDeviceChannel& m_inner;
};

// A standard coupler with n terminals: digital 4 in, digital 2 out and a two-channel
// analog input with its own extension, repeating.
bool writeStation(const QString& path, int n)
{
    static const int kIds[3] = {33793, 33282, 6853};
    QString xml = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VirtualStation>\n"
        "  <Coupler name=\"VN6555-5555\" stationId=\"1\">\n"
        "    <Table number=\"0\" length=\"256\"><Regs at=\"246\">1</Regs><Regs at=\"248\">48847</Regs>"
        "<Regs at=\"250\">5555</Regs><Regs at=\"255\">47616</Regs></Table>\n"
        "    <Table number=\"1\" length=\"16\"/>\n    <Table number=\"9\" length=\"256\"><Regs at=\"0\">6555");
    for (int p = 1; p <= n; ++p)
        xml += QLatin1Char(' ') + QString::number(kIds[(p - 1) % 3]);
    xml += QStringLiteral("</Regs></Table>\n    <Table number=\"90\" length=\"65\"/>\n  </Coupler>\n");
    for (int p = 1; p <= n; ++p) {
        const int id = kIds[(p - 1) % 3];
        xml += QStringLiteral("  <Terminal pos=\"%1\"><Table number=\"0\" length=\"64\"><Regs at=\"8\">%2</Regs>")
                   .arg(p)
                   .arg(id);
        if (id == 6853)
            xml += QStringLiteral("<Regs at=\"11\">512</Regs><Regs at=\"29\">%1 1</Regs>").arg(p);
        xml += QStringLiteral("</Table>");
        if (id == 6853)
            xml += QStringLiteral("<Table number=\"1\" length=\"64\"/>");
        xml += QStringLiteral("</Terminal>\n");
    }
    xml += QStringLiteral("</VirtualStation>\n");
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(xml.toUtf8()) > 0;
}

struct Measure {
    int requests = 0;
    qint64 bytes = 0;
    double wallMs = 0;
    double wireMs() const { return double(bytes) * 10.0 / kBaud * 1000.0; }
};

Measure readOnce(CountingChannel& channel, StationReadContext& context)
{
    channel.requests = 0;
    channel.bytes = 0;
    pugi::xml_document doc;
    pugi::xml_node station;
    QElapsedTimer timer;
    timer.start();
    fReadStationFromDevice(doc, station, context);
    Measure m;
    m.wallMs = double(timer.nsecsElapsed()) / 1e6;
    m.requests = channel.requests;
    m.bytes = channel.bytes;
    return m;
}

void print(int terminals, const char* cache, const Measure& m)
{
    std::printf("%9d  %-5s %8d %9lld %10.1f %12.1f %7.2f %%\n", terminals, cache, m.requests,
                static_cast<long long>(m.bytes), m.wallMs, m.wireMs(), 100.0 * m.wallMs / m.wireMs());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    TestEnv env;
    std::printf("terminals  cache requests     bytes    wall ms  wire ms@19200  wall/wire\n");
    bool withinBudget = true;
    for (int terminals : {1, 64, 254}) {
        const QString stationFile = env.tempPath() + QStringLiteral("/station%1.xml").arg(terminals);
        if (!writeStation(stationFile, terminals)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(stationFile));
            return 2;
        }
        VirtualCoupler coupler;
        if (!coupler.start(stationFile)) {
            std::fprintf(stderr, "virtual coupler did not start: %s\n", qPrintable(coupler.output()));
            return 2;
        }
        SerialChannel serial;
        auto* param = dynamic_cast<ISerialChannelParam*>(serial.GetDeviceParamObj());
        param->SetPort(coupler.comNumber());
        param->SetBaud(19200);
        param->SetTimeout(500);
        if (serial.PortOpen() != 0) {
            std::fprintf(stderr, "cannot open COM%d\n", coupler.comNumber());
            return 2;
        }
        CountingChannel channel(serial);
        app().gObjDevChannel = &channel;
        gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res%1").arg(terminals));
        QDir().mkpath(gCommon().PathFolderResCommon() + QStringLiteral("/Devices"));

        StationReadContext context;
        context.debugFolder = env.tempPath();
        fDeleteDeviceFiles();
        print(terminals, "cold", readOnce(channel, context));
        const Measure warm = readOnce(channel, context);
        print(terminals, "warm", warm);
        if (terminals == 254 && warm.wallMs >= kBudget * warm.wireMs())
            withinBudget = false;
        app().gObjDevChannel = nullptr;
        serial.PortClose();
    }
    if (!withinBudget) {
        std::printf("FAIL: the warm read of 254 terminals takes 10 %% or more of its wire time\n");
        return 1;
    }
    std::printf("OK: the warm read of 254 terminals stays under 10 %% of its wire time\n");
    return 0;
}
