// td4700-bench-startup [ROUNDS]: starts the program to its first painted main
// window and, in turn with it in the same run, two yardsticks of the same size:
// a bare QApplication with an empty QMainWindow, and the same window with a
// menu bar, a status text and a label; prints min, median and max of the three
// times and of the program's ratio to each yardstick over ROUNDS rounds
// (default 30, at least 20). The program runs with the splash switched off, in
// settings of its own. Every child is timed from its start to its report of
// the first paint (startup_probe.cpp).
// Runs on the display it is given, else offscreen. Under xvfb-run give the
// server -noreset: it resets when its last client leaves, and the next start
// would meet it resetting.
#include "platform/RegistryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr int kDefaultRounds = 30;
constexpr int kMinRounds = 20;
constexpr int kTimeoutMs = 30000;
constexpr double kGoal = 1.2; // against the yardstick with text widgets
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
    const int rounds = args.size() > 1 ? args[1].toInt() : kDefaultRounds;
    if (rounds < kMinRounds)
        return fail("give at least 20 rounds");

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
    const QStringList size{QString::number(first->width), QString::number(first->height)};
    const QString yardstick = bin + QStringLiteral("/td4700-bench-startup-bare");
    const std::array<Child, 3> children{program, Child{yardstick, size},
                                        Child{yardstick, size + QStringList{QStringLiteral("text")}}};
    for (size_t c = 1; c < children.size(); ++c)
        if (!timeStart(children[c], env))
            return fail("a yardstick did not paint its window");

    std::array<std::vector<double>, 3> ms;
    std::vector<double> bareRatios, textRatios;
    for (int i = 0; i < rounds; ++i) {
        // Each round starts with another child: evens out what one start leaves warm for the next.
        std::array<double, 3> round{};
        for (size_t k = 0; k < children.size(); ++k) {
            const size_t c = (size_t(i) + k) % children.size();
            const std::optional<Run> run = timeStart(children[c], env);
            if (!run)
                return fail("a start did not paint its window");
            round[c] = run->ms;
            ms[c].push_back(run->ms);
        }
        bareRatios.push_back(round[0] / round[1]);
        textRatios.push_back(round[0] / round[2]);
    }

    const QString where = env.contains(QStringLiteral("QT_QPA_PLATFORM"))
        ? QStringLiteral("QT_QPA_PLATFORM=") + env.value(QStringLiteral("QT_QPA_PLATFORM"))
        : QStringLiteral("display ") + env.value(QStringLiteral("DISPLAY"), env.value(QStringLiteral("WAYLAND_DISPLAY")));
    std::printf("start to the first painted main window, %d rounds of three, %s, window %dx%d\n", rounds,
                qPrintable(where), first->width, first->height);
    std::printf("%-34s %9s %9s %9s\n", "", "min", "median", "max");
    const auto row = [](const char* name, const Stats& s, const char* unit) {
        std::printf("%-34s %9.2f %9.2f %9.2f %s\n", name, s.min, s.median, s.max, unit);
    };
    row("TD4700", stats(ms[0]), "ms");
    row("bare: QApplication+QMainWindow", stats(ms[1]), "ms");
    row("text: bare+menu bar,status,label", stats(ms[2]), "ms");
    row("ratio TD4700/bare", stats(bareRatios), "x");
    const Stats ratio = stats(textRatios);
    row("ratio TD4700/text", ratio, "x");
    std::printf("goal: median ratio to text <= %.1fx: %s\n", kGoal, ratio.median <= kGoal ? "met" : "not met");
    return 0;
}
