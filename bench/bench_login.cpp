// td4700-bench-login: the main window's log-in (F11 until the tree is shown)
// against the virtual coupler with 254 terminals over a serial line paced to
// 19200 baud, offscreen, first with an empty description cache (cold), then
// from the cache (warm). Prints the wall time, the requests, the bytes on the
// wire, the time spent waiting in channel calls and the program's own share of
// the wall time; fails when that share is over 1 % in either log-in.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "platform/ChannelProtocol.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modLogin.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <vector>

namespace {

constexpr double kBaud = 19200.0;
constexpr double kBudget = 0.01;
const QString Key = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

// The program's serial channel, counting the requests and the bytes of their frames and replies.
class CountingChannel : public IDeviceChannel {
public:
    explicit CountingChannel(std::unique_ptr<IDeviceChannel> inner) : m_inner(std::move(inner)) {}
    int requests = 0;
    qint64 bytes = 0;
    qint64 channelNs = 0; // wall time inside the channel's calls

    int32_t VbRegSyncReadReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                             std::span<int32_t> buffer) override
    {
        QElapsedTimer timer;
        timer.start();
        const int32_t rc = m_inner->VbRegSyncReadReq(pos, table, first, count, buffer);
        channelNs += timer.nsecsElapsed();
        count_(proto::KindRead, proto::readRequest(pos, table, first, count),
               rc == 0 ? proto::readReplyPayload(std::vector<uint16_t>(size_t(count))) : proto::replyPayload(rc));
        return rc;
    }
    int32_t VbRegSyncWriteReq(int32_t pos, int32_t table, int32_t first, int32_t count,
                              std::span<const int32_t> buffer) override
    {
        QElapsedTimer timer;
        timer.start();
        const int32_t rc = m_inner->VbRegSyncWriteReq(pos, table, first, count, buffer);
        channelNs += timer.nsecsElapsed();
        count_(proto::KindWrite, proto::writeRequest(pos, table, first, count, buffer), proto::replyPayload(rc));
        return rc;
    }
    // Opening the port is the link's work too.
    int32_t PortOpen() override
    {
        QElapsedTimer timer;
        timer.start();
        const int32_t rc = m_inner->PortOpen();
        channelNs += timer.nsecsElapsed();
        return rc;
    }
    int32_t PortClose() override { return m_inner->PortClose(); }
    IChannelParam* GetDeviceParamObj() override { return m_inner->GetDeviceParamObj(); }
    int32_t ServiceRequest(uint8_t service, const QByteArray& request, QByteArray& reply) override
    {
        QElapsedTimer timer;
        timer.start();
        const int32_t rc = m_inner->ServiceRequest(service, request, reply);
        channelNs += timer.nsecsElapsed();
        count_(proto::KindService, proto::serviceRequest(service, request), proto::replyPayload(rc, reply));
        return rc;
    }

private:
    void count_(uint8_t kind, const QByteArray& request, const QByteArray& reply)
    {
        ++requests;
        proto::Frame out;
        out.kind = kind;
        out.payload = request;
        proto::Frame in;
        in.kind = kind | proto::KindReply;
        in.payload = reply;
        bytes += proto::encodeFrame(out).size() + proto::encodeFrame(in).size();
    }

    std::unique_ptr<IDeviceChannel> m_inner;
};

class CountingFactory : public IChannelFactory {
public:
    explicit CountingFactory(std::unique_ptr<IChannelFactory> inner) : m_inner(std::move(inner)) {}
    CountingChannel* serial = nullptr;

    std::unique_ptr<IDeviceChannel> createSerialChannel() override
    {
        auto c = std::make_unique<CountingChannel>(m_inner->createSerialChannel());
        serial = c.get();
        return c;
    }
    std::unique_ptr<IQNPChannel> createQnpChannel() override { return m_inner->createQnpChannel(); }
    std::unique_ptr<IDeviceService> createDeviceService() override { return m_inner->createDeviceService(); }

private:
    std::unique_ptr<IChannelFactory> m_inner;
};

struct Measure {
    int requests = 0;
    qint64 bytes = 0;
    double wallMs = 0;
    double channelMs = 0;
    int nodes = 0;
    double wireMs() const { return double(bytes) * 10.0 / kBaud * 1000.0; }
    double programShare() const { return (wallMs - channelMs) / wallMs; }
};

int countNodes(QTreeWidgetItem* item)
{
    int n = 1;
    for (int i = 0; i < item->childCount(); ++i)
        n += countNodes(item->child(i));
    return n;
}

Measure logIn(frmMain& window, CountingChannel*& channel, CountingFactory& factory)
{
    // The log-in's first initialisation creates the channel: count from there.
    if (channel) {
        channel->requests = 0;
        channel->bytes = 0;
        channel->channelNs = 0;
    }
    QElapsedTimer timer;
    timer.start();
    window.mnuOnlineItem().item(1)->trigger(); // F11
    QCoreApplication::processEvents();         // the tree on screen
    Measure m;
    m.wallMs = double(timer.nsecsElapsed()) / 1e6;
    channel = factory.serial;
    if (channel) {
        m.requests = channel->requests;
        m.bytes = channel->bytes;
        m.channelMs = double(channel->channelNs) / 1e6;
    }
    QTreeWidget* tree = window.tvTreeView();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        m.nodes += countNodes(tree->topLevelItem(i));
    return m;
}

void print(const char* cache, const Measure& m)
{
    std::printf("%-5s %6d %8d %9lld %13.1f %10.1f %12.1f %10.1f %8.2f %%\n", cache, m.nodes, m.requests,
                static_cast<long long>(m.bytes), m.wireMs(), m.wallMs, m.channelMs, m.wallMs - m.channelMs,
                100.0 * m.programShare());
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestEnv env;
    VirtualCoupler coupler;
    if (!coupler.start(QStringLiteral("full254.xml"), {QStringLiteral("--baud"), QString::number(int(kBaud))})) {
        std::fprintf(stderr, "virtual coupler did not start: %s\n", qPrintable(coupler.output()));
        return 2;
    }
    AppContext& context = env.context();
    auto factory = std::make_unique<CountingFactory>(std::move(context.channelFactory));
    CountingFactory& counting = *factory;
    context.channelFactory = std::move(factory);
    for (const auto& [name, value] : {std::pair{"Device", QStringLiteral("0")},
                                      std::pair{"Port", QString::number(coupler.comNumber())},
                                      std::pair{"Baud", QStringLiteral("19200")},
                                      std::pair{"Timeout", QStringLiteral("500")}})
        context.store->setValue(HKEY_CURRENT_USER, Key, QLatin1String(name), RegValue::fromText(value));
    gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res"));
    QDir().mkpath(env.tempPath() + QStringLiteral("/res/Devices"));

    frmMain window;
    window.setEndProcess([] {});
    window.commands().login().readContext().debugFolder = env.tempPath();
    context.gLogBox = window.logBox();
    window.show();
    // F11 comes when the window is up: its first paint and the toolbar pictures after it are
    // the start-up's work, not the log-in's.
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the main window was not shown\n");
        return 2;
    }
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();

    std::printf("254 terminals, log-in from F11 until the tree is shown, serial line paced to 19200 baud\n");
    std::printf("cache  nodes requests     bytes wire ms@19200    wall ms  channel ms  program ms  program\n");
    CountingChannel* channel = nullptr;
    // The first log-in asks whether to delete the cached descriptions; the test dialogs answer OK.
    const Measure cold = logIn(window, channel, counting);
    print("cold", cold);
    window.mnuOnlineItem().item(2)->trigger(); // F12
    const Measure warm = logIn(window, channel, counting);
    print("warm", warm);
    window.mnuOnlineItem().item(2)->trigger();
    context.gLogBox = &env.log();

    if (cold.nodes == 0 || warm.nodes == 0) {
        std::printf("FAIL: the log-in did not fill the tree\n");
        return 2;
    }
    if (cold.programShare() > kBudget || warm.programShare() > kBudget) {
        std::printf("FAIL: the program's own work takes more than 1 %% of a log-in\n");
        return 1;
    }
    std::printf("OK: the program's own work takes 1 %% or less of both log-ins\n");
    return 0;
}
