// td4700-bench-procdata: the process image view open for 30 s against the
// virtual coupler over the pseudo-terminal, paced as a 19200-baud line, with
// both grids showing 30 rows. Prints the program's CPU time per tick (user
// and system time from getrusage, divided by the ticks) and its resident
// memory at the 10th and the 30th second; fails when a tick costs 2 ms or
// more, or when the memory grew in between.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"
#include "dataviews/frmProcData.h"
#include "platform/SerialChannel.h"

#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kRows = 30;
constexpr int kSteadyMs = 10000;
constexpr int kTotalMs = 30000;
constexpr double kBudgetMs = 2.0;

double cpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

long residentKiB()
{
    // Freed heap pages go back first: what stays resident is memory in use.
    ::malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Grows the form until each grid shows exactly `rows` whole rows.
bool showRows(frmProcData& form, int rows)
{
    const QList<QTableView*> grids = form.findChildren<QTableView*>();
    if (grids.size() != 2)
        return false;
    QTableView* grid = grids.first();
    QApplication::processEvents();
    const int rowHeight = grid->rowHeight(0);
    form.resize(form.width(), form.height() + rows * rowHeight - grid->viewport()->height());
    QApplication::processEvents();
    for (QTableView* g : grids)
        if (g->rowAt(0) != 0 || g->rowAt(g->viewport()->height() - 1) != rows - 1)
            return false;
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestEnv env;
    VirtualCoupler coupler;
    if (!coupler.start(QStringLiteral("vn6555-demo.xml"), {QStringLiteral("--baud"), QStringLiteral("19200")})) {
        std::fprintf(stderr, "virtual coupler did not start: %s\n", qPrintable(coupler.output()));
        return 2;
    }
    SerialChannel channel;
    auto* param = dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj());
    param->SetPort(coupler.comNumber());
    param->SetBaud(19200);
    param->SetTimeout(1000);
    if (channel.PortOpen() != 0) {
        std::fprintf(stderr, "cannot open the serial channel\n");
        return 2;
    }

    frmProcData form;
    form.show();
    if (!showRows(form, kRows)) {
        std::fprintf(stderr, "the grids do not show %d rows\n", kRows);
        return 2;
    }
    const double cpuStart = cpuMs();
    form.RefreshData({}, &channel, {});
    long rssSteady = 0;
    QTimer::singleShot(kSteadyMs, [&] { rssSteady = residentKiB(); });
    QTimer::singleShot(kTotalMs, &application, &QCoreApplication::quit);
    QApplication::exec();
    const double cpu = cpuMs() - cpuStart;
    const long rssEnd = residentKiB();
    const int ticks = form.ticks();
    channel.PortClose();

    const double perTick = ticks > 0 ? cpu / ticks : 0;
    std::printf("process image view, %d rows a grid, 19200 baud, %d s\n", kRows, kTotalMs / 1000);
    std::printf("ticks %d (%.1f ms a tick), CPU %.1f ms, CPU per tick %.3f ms\n", ticks,
                ticks > 0 ? double(kTotalMs) / ticks : 0.0, cpu, perTick);
    std::printf("resident memory at %d s: %ld KiB, at %d s: %ld KiB (%+ld KiB)\n", kSteadyMs / 1000, rssSteady,
                kTotalMs / 1000, rssEnd, rssEnd - rssSteady);
    const QString log = env.log().Text();
    if (ticks == 0 || !log.isEmpty()) {
        std::printf("FAIL: no ticks or failed reads: %s\n", qPrintable(log));
        return 2;
    }
    bool ok = true;
    if (perTick >= kBudgetMs) {
        std::printf("FAIL: a tick costs %.3f ms of CPU, the budget is %.1f ms\n", perTick, kBudgetMs);
        ok = false;
    }
    if (rssEnd > rssSteady) {
        std::printf("FAIL: resident memory grew between the %d. and the %d. second\n", kSteadyMs / 1000,
                    kTotalMs / 1000);
        ok = false;
    }
    if (ok)
        std::printf("OK: under %.1f ms a tick, no memory growth\n", kBudgetMs);
    return ok ? 0 : 1;
}
