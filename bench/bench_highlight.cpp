// td4700-bench-highlight: the converter's preview colouring of a 1 MB script,
// once as script lines of a few dozen characters and once as one line of 1 MB.
// Prints the time for the keyword runs of every line (the best of three) and
// for the preview taking the text with and without colouring (most of that is
// Qt's own layout); fails when the runs of either text take 100 ms or more.
#include "tools/modHighlight.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype kBytes = 1024 * 1024;
constexpr double kBudgetMs = 100.0;

// Register blocks as the converter writes them, up to kBytes.
QString scriptText(const QString& lineEnd)
{
    const QString block = QStringLiteral("     <Register>%1          <Offset>12</Offset>%1          <Value>0x00FF</Value>%1"
                                         "          <!--  optional: description -->%1          <Desc></Desc>%1     </Register>%1")
                              .arg(lineEnd);
    QString text = QStringLiteral("<Script>") + lineEnd;
    while (text.size() < kBytes)
        text += block;
    return text + QStringLiteral("</Script>");
}

// The best of three: other work on the machine only ever adds to a time.
double runsMs(const modHighlight& highlighter, const QString& text, qsizetype& runs)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer clock;
        clock.start();
        runs = 0;
        for (const QString& line : lines)
            runs += highlighter.runs(line).size();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        best = round == 0 ? ms : std::min(best, ms);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QPlainTextEdit preview;
    preview.setLineWrapMode(QPlainTextEdit::NoWrap);
    modHighlight highlighter(preview.document());
    highlighter.InitHighlight();
    QPlainTextEdit plain;
    plain.setLineWrapMode(QPlainTextEdit::NoWrap);

    bool ok = true;
    const std::pair<const char*, QString> texts[] = {{"script lines", QStringLiteral("\n")}, {"one line", QStringLiteral(" ")}};
    for (const auto& [name, lineEnd] : texts) {
        const QString text = scriptText(lineEnd);
        qsizetype runs = 0;
        const double ms = runsMs(highlighter, text, runs);
        QElapsedTimer clock;
        clock.start();
        plain.setPlainText(text);
        const double plainMs = double(clock.nsecsElapsed()) / 1e6;
        clock.restart();
        preview.setPlainText(text);
        const double documentMs = double(clock.nsecsElapsed()) / 1e6;
        std::printf("%s, %lld characters: %lld runs in %.1f ms; the preview takes it in %.1f ms, uncoloured in %.1f ms\n",
                    name, static_cast<long long>(text.size()), static_cast<long long>(runs), ms, documentMs, plainMs);
        if (ms >= kBudgetMs) {
            std::printf("FAIL: the runs of %s take %.1f ms, the budget is %.0f ms\n", name, ms, kBudgetMs);
            ok = false;
        }
    }
    if (ok)
        std::printf("OK: under %.0f ms for 1 MB\n", kBudgetMs);
    return ok ? 0 : 1;
}
