// td4700-bench-convert: the script converter on files of 1 MiB, the most it reads:
// a coupler script whose one section header repeats to the end, one section per
// table of a coupler padded with a comment, countless sections of one key each
// (refused), and a terminal script with every key and long values. Each file is
// opened in the dialog as the Open button does, preview included, in a process of
// its own; prints the time and the peak memory that opening added, and fails when
// a file takes 2 s or 200 MB or more.
#include "common/TestEnv.h"
#include "tools/frmScript.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr qsizetype kFileBytes = 1024 * 1024;
constexpr double kBudgetMs = 2000.0;
constexpr double kBudgetMiB = 200.0;

QByteArray filled(QByteArray bytes, const QByteArray& line)
{
    while (bytes.size() + line.size() <= kFileBytes)
        bytes += line;
    return bytes;
}

struct Case {
    const char* name;
    const char* file;
    QByteArray (*bytes)();
};

const Case kCases[] = {
    {"one coupler section, its header repeated", "repeated.csi",
     [] { return filled("[Init0]\nInit1=1,0x0001\n", "[Init0]\n"); }},
    {"256 coupler tables of 5 keys, then a comment", "tables.csi",
     [] {
         QByteArray all;
         for (int t = 0; t < 256; ++t)
             all += "[Init" + QByteArray::number(t) + "]\nInit1=1,1\nInit2=2,2\nInit3=3,3\nInit4=4,4\nInit5=5,5\n";
         return filled(all + ';', "x");
     }},
    {"countless coupler sections of one key", "countless.csi",
     [] {
         QByteArray all;
         for (int t = 0; all.size() < kFileBytes - 64; ++t)
             all += "[T" + QByteArray::number(t) + "]\nInit1=1,1\n";
         return all;
     }},
    {"terminal keys Init1..Init1001, long values", "keys.tsi",
     [] {
         QByteArray all = "[Initialisierung]\n";
         for (int k = 1; k <= 1001; ++k)
             all += "Init" + QByteArray::number(k) + '=' + QByteArray(200, '7') + ",<" + QByteArray(60, '&') + ">\n";
         return filled(all + ';', "x");
     }},
};

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// One case in this process: prints "ms MiB result".
int runCase(const Case& c)
{
    TestEnv env;
    const QString path = env.tempPath() + QLatin1Char('/') + QLatin1String(c.file);
    QFile file(path);
    const QByteArray bytes = c.bytes();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return 2;
    file.close();
    frmScript form;
    form.show();
    env.dialogs().openFileAnswer = path;
    const double before = peakMiB();
    QElapsedTimer clock;
    clock.start();
    path.endsWith(QLatin1String(".csi")) ? form.cmdCSIOeffnen_Click() : form.cmdTSIOeffnen_Click();
    QCoreApplication::processEvents(); // the preview on screen
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const QString result = env.dialogs().messages.isEmpty()
        ? QStringLiteral("%1 characters").arg(form.xmlText().size())
        : QStringLiteral("refused");
    std::printf("%lld %.1f %.1f %s\n", static_cast<long long>(bytes.size()), ms, peakMiB() - before, qPrintable(result));
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--case"))
        return runCase(kCases[args[2].toInt()]);

    std::printf("the converter opening a file of 1 MiB, preview included, each in a process of its own\n");
    std::printf("%-46s %9s %9s %9s  %s\n", "file", "bytes", "ms", "peak MiB", "result");
    bool ok = true;
    for (size_t i = 0; i < std::size(kCases); ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--case"), QString::number(i)});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            std::printf("%-46s did not finish\n", kCases[i].name);
            ok = false;
            continue;
        }
        const QStringList out = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        const double ms = out.value(1).toDouble();
        const double mib = out.value(2).toDouble();
        std::printf("%-46s %9s %9.1f %9.1f  %s\n", kCases[i].name, qPrintable(out.value(0)), ms, mib,
                    qPrintable(out.mid(3).join(QLatin1Char(' '))));
        if (ms >= kBudgetMs || mib >= kBudgetMiB)
            ok = false;
    }
    std::printf(ok ? "OK: every file within 2 s and 200 MB\n" : "FAIL: a file took 2 s or 200 MB or more\n");
    return ok ? 0 : 1;
}
