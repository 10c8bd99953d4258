// td4700-bench-startup [PAIRS]: starts the program to its first painted main
// window and, alternating with it in the same run, a bare QApplication with an
// empty QMainWindow of the same size; prints min, median and max of both times
// and of their ratio over PAIRS pairs (default 30, at least 20). The program
// runs with the splash switched off, in settings of its own. Both children are
// timed from their start to their report of the first paint (startup_probe.cpp).
// Runs on the display it is given, else offscreen. Under xvfb-run give the
// server -noreset: it resets when its last client leaves, and the next start
// would meet it resetting.
#include "platform/RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kDefaultPairs = 30;
constexpr int kMinPairs = 20;
constexpr int kTimeoutMs = 30000;
constexpr double kGoal = 1.3;
const QString kSettingsKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");

struct Child {
    QString program;
    QStringList args;
};

struct Run {
    double ms = 0;
    int width = 0, height = 0;
};

// Milliseconds from the start of the process to its "painted" line; nothing when it did not
// come, and then what the child wrote to its standard error is passed on.
std::optional<Run> timeStart(const Child& child, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    process.start(child.program, child.args);
    QByteArray out;
    std::optional<Run> run;
    while (!run && timer.elapsed() < kTimeoutMs && process.waitForReadyRead(kTimeoutMs)) {
        out += process.readAllStandardOutput();
        const qsizetype end = out.indexOf('\n');
        if (end < 0 || !out.startsWith("painted "))
            continue;
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        const QList<QByteArray> fields = out.left(end).split(' ');
        run = Run{ms, fields.value(1).toInt(), fields.value(2).toInt()};
    }
    if (!process.waitForFinished(kTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    if (!run)
        std::fputs(process.readAllStandardError().constData(), stderr);
    return run;
}

struct Stats {
    double min = 0, median = 0, max = 0;
};

Stats stats(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    return {values.front(), median, values.back()};
}

int fail(const char* what)
{
    std::fprintf(stderr, "td4700-bench-startup: %s\n", what);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int pairs = args.size() > 1 ? args[1].toInt() : kDefaultPairs;
    if (pairs < kMinPairs)
        return fail("give at least 20 pairs");

    QTemporaryDir home;
    if (!home.isValid())
        return fail("no temporary folder");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TD4700_REGISTRY_DIR"), home.filePath(QStringLiteral("registry")));
    env.insert(QStringLiteral("TD4700_PORTS_DIR"), home.filePath(QStringLiteral("ports")));
    env.insert(QStringLiteral("TD4700_RUNTIME_ROOT"), home.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")) && !env.contains(QStringLiteral("DISPLAY"))
        && !env.contains(QStringLiteral("WAYLAND_DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    {
        RegistryStore store(home.filePath(QStringLiteral("registry")));
        if (!store.setValue(HKEY_CURRENT_USER, kSettingsKey, QStringLiteral("Splash"), RegValue::fromText(QStringLiteral("0"))))
            return fail("cannot write the settings");
    }

    const QString bin = QCoreApplication::applicationDirPath();
    const Child program{bin + QStringLiteral("/td4700-bench-startup-program"), {}};
    // The first start writes the settings' defaults and warms the caches; it is not counted.
    const std::optional<Run> first = timeStart(program, env);
    if (!first)
        return fail("the program did not paint its main window");
    const Child bare{bin + QStringLiteral("/td4700-bench-startup-bare"),
                     {QString::number(first->width), QString::number(first->height)}};
    if (!timeStart(bare, env))
        return fail("the bare window did not paint");

    std::vector<double> programMs, bareMs, ratios;
    for (int i = 0; i < pairs; ++i) {
        // Alternating which goes first evens out what one start leaves warm for the next.
        std::optional<Run> p, b;
        if (i % 2 == 0) {
            p = timeStart(program, env);
            b = timeStart(bare, env);
        } else {
            b = timeStart(bare, env);
            p = timeStart(program, env);
        }
        if (!p || !b)
            return fail("a start did not paint its window");
        programMs.push_back(p->ms);
        bareMs.push_back(b->ms);
        ratios.push_back(p->ms / b->ms);
    }

    const QString where = env.contains(QStringLiteral("QT_QPA_PLATFORM"))
        ? QStringLiteral("QT_QPA_PLATFORM=") + env.value(QStringLiteral("QT_QPA_PLATFORM"))
        : QStringLiteral("display ") + env.value(QStringLiteral("DISPLAY"), env.value(QStringLiteral("WAYLAND_DISPLAY")));
    std::printf("start to the first painted main window, %d alternating pairs, %s, window %dx%d\n", pairs,
                qPrintable(where), first->width, first->height);
    std::printf("%-26s %9s %9s %9s\n", "", "min", "median", "max");
    const auto row = [](const char* name, const Stats& s, const char* unit) {
        std::printf("%-26s %9.2f %9.2f %9.2f %s\n", name, s.min, s.median, s.max, unit);
    };
    row("TD4700", stats(programMs), "ms");
    row("QApplication+QMainWindow", stats(bareMs), "ms");
    const Stats ratio = stats(ratios);
    row("ratio", ratio, "x");
    std::printf("goal: median ratio <= %.1fx: %s\n", kGoal, ratio.median <= kGoal ? "met" : "not met");
    return 0;
}
