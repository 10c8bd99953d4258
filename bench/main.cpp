// td4700-bench: 1,000 register reads of 2 and of 255 registers over the
// pseudo-terminal and over loopback TCP against the virtual coupler. Prints
// the mean round trip, the bytes on the wire per request and the time those
// bytes take on a 19200-baud line (10 bits a byte), and fails when our time
// per request exceeds 5 % of that wire time.
#include "platform/ChannelProtocol.h"
#include "platform/QnpChannel.h"
#include "platform/SerialChannel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int kRequests = 1000;
constexpr int kCom = 9;
constexpr double kBaud = 19200.0;
constexpr double kBudget = 0.05;

// Bytes of one read request and its reply, with the envelopes on TCP.
int wireBytes(int count, bool qnp)
{
    proto::Frame request;
    request.kind = proto::KindRead;
    request.payload = proto::readRequest(0, 0, 0, count);
    proto::Frame reply;
    reply.kind = proto::KindRead | proto::KindReply;
    reply.payload = proto::readReplyPayload(std::vector<uint16_t>(size_t(count)));
    int bytes = int(proto::encodeFrame(request).size() + proto::encodeFrame(reply).size());
    return qnp ? bytes + 2 * int(proto::kEnvelopeHeader) : bytes;
}

bool startCoupler(QProcess& process, const QString& portsDir, QString& netId, QString& router)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/td4700-vcoupler");
    const QString station = QStringLiteral(TD4700_SOURCE_DIR "/vcoupler/stations/vn6555-demo.xml");
    process.start(program, {station, QStringLiteral("--com"), QString::number(kCom), QStringLiteral("--ports-dir"),
                            portsDir, QStringLiteral("--qnp-listen"), QStringLiteral("0")});
    QString out;
    while (!out.contains(QLatin1String("ready\n"))) {
        if (!process.waitForReadyRead(10000))
            return false;
        out += QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char(' '));
        if (f.value(0) == QLatin1String("qnp") && f.size() >= 4) {
            router = f[1];
            netId = f[2];
        }
    }
    return !router.isEmpty();
}

struct Result {
    double meanMs = 0;
    int failures = 0;
};

Result run(IDeviceChannel& channel, int count)
{
    std::vector<int32_t> buffer(256);
    Result result;
    for (int i = 0; i < 10; ++i) // warm-up
        (void)channel.VbRegSyncReadReq(0, 0, 0, count, buffer);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRequests; ++i) {
        if (channel.VbRegSyncReadReq(0, 0, 0, count, buffer) != 0)
            ++result.failures;
    }
    result.meanMs = double(timer.nsecsElapsed()) / 1e6 / kRequests;
    return result;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir ports;
    QProcess coupler;
    QString netId, router;
    if (!startCoupler(coupler, ports.path(), netId, router)) {
        std::fprintf(stderr, "td4700-bench: the virtual coupler did not start\n");
        return 2;
    }
    qputenv("TD4700_PORTS_DIR", ports.path().toLocal8Bit());
    qputenv("TD4700_QNP_ROUTER", router.toLocal8Bit());

    SerialChannel serial;
    auto* sp = dynamic_cast<ISerialChannelParam*>(serial.GetDeviceParamObj());
    sp->SetBaud(19200);
    sp->SetPort(kCom);
    sp->SetTimeout(1000);
    QnpChannel qnp;
    auto* qp = dynamic_cast<IQNPDeviceParam*>(qnp.GetDeviceParamObj());
    qp->SetNetId(netId);
    qp->SetPort(100);
    qp->SetTimeout(1000);
    if (serial.PortOpen() != 0 || qnp.PortOpen() != 0) {
        std::fprintf(stderr, "td4700-bench: cannot open the channels\n");
        return 2;
    }

    std::printf("%-9s %9s %9s %14s %14s %17s %10s\n", "transport", "registers", "requests", "mean RTT [ms]",
                "bytes/request", "19200 baud [ms]", "share");
    bool withinBudget = true;
    struct Case {
        const char* name;
        IDeviceChannel* channel;
        bool qnp;
    };
    for (const Case& c : {Case{"pty", &serial, false}, Case{"tcp", &qnp, true}}) {
        for (int count : {2, 255}) {
            const Result r = run(*c.channel, count);
            const int bytes = wireBytes(count, c.qnp);
            const double wireMs = bytes * 10.0 / kBaud * 1000.0;
            const double share = r.meanMs / wireMs;
            std::printf("%-9s %9d %9d %14.4f %14d %17.2f %9.2f%%%s\n", c.name, count, kRequests, r.meanMs, bytes, wireMs,
                        share * 100.0, r.failures ? " (failures)" : "");
            withinBudget = withinBudget && share < kBudget && r.failures == 0;
        }
    }
    serial.PortClose();
    qnp.PortClose();
    coupler.terminate();
    coupler.waitForFinished(5000);
    std::printf("%s\n", withinBudget ? "within the 5 % budget" : "OVER the 5 % budget");
    return withinBudget ? 0 : 1;
}
