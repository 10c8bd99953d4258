#include "modHighlight.h"

#include <QTextCharFormat>
#include <algorithm>
#include <vector>

modHighlight::modHighlight(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
}

void modHighlight::InitHighlight()
{
    m_colours = {QColor(0, 0, 0), QColor(0, 0, 255), QColor(255, 6, 0), QColor(170, 170, 170)};
    // One format a colour, shared by all its runs: Qt compares shared formats without looking inside.
    for (size_t i = 0; i < m_colours.size(); ++i)
        m_formats[i].setForeground(m_colours[i]);
    m_keywords = {};
    const Keyword table[] = {
        {1, QStringLiteral(">")},           {1, QStringLiteral("<")},        {2, QStringLiteral("SESSION")},
        {2, QStringLiteral("FILENAME")},    {2, QStringLiteral("FILES")},    {2, QStringLiteral("VERSION")},
        {1, QStringLiteral("\"")},          {1, QStringLiteral("=")},        {1, QStringLiteral("/")},
        {2, QStringLiteral("DESC1031")},    {1, QStringLiteral("xml version")}, {1, QStringLiteral(" ?")},
        {2, QStringLiteral("Desc")},        {2, QStringLiteral("Value")},    {2, QStringLiteral("Offset")},
        {2, QStringLiteral("Register")},    {2, QStringLiteral("Script")},   {2, QStringLiteral("Nummer")},
        {2, QStringLiteral("Table")},       {3, QStringLiteral("!--  optional: description --")},
    };
    std::copy(std::begin(table), std::end(table), m_keywords.begin());
    // runs() keeps a run's colour and length in one byte.
    for (const Keyword& keyword : m_keywords)
        Q_ASSERT(keyword.colour < 4 && keyword.text.size() < 32);
    rehighlight();
}

QList<HighlightRun> modHighlight::runs(const QString& line) const
{
    // Each keyword in slot order takes its occurrences that lie wholly in text no earlier
    // keyword took. The searches of one keyword move only forward, so the cost grows with
    // the line, not with its square: a pasted line of a megabyte must not freeze the form.
    // Per character: 0 free, kInside taken, else the first of a run with its colour and length.
    constexpr uint8_t kInside = 1, kStart = 0x80;
    std::vector<uint8_t> state(size_t(line.size()), 0);
    const QStringView text(line);
    for (const Keyword& keyword : m_keywords) {
        const auto length = keyword.text.size();
        if (length == 0)
            continue;
        for (qsizetype at = text.indexOf(keyword.text); at >= 0;) {
            const auto first = state.begin() + at;
            if (std::any_of(first, first + length, [](uint8_t s) { return s != 0; })) {
                at = text.indexOf(keyword.text, at + 1);
                continue;
            }
            std::fill(first + 1, first + length, kInside);
            *first = uint8_t(kStart | keyword.colour << 5 | length);
            at = text.indexOf(keyword.text, at + length);
        }
    }

    QList<HighlightRun> out;
    for (size_t at = 0; at < state.size(); ++at) {
        const uint8_t s = state[at];
        if ((s & kStart) && (s >> 5 & 3) > 0)
            out << HighlightRun{int(at), s & 31, s >> 5 & 3};
    }
    return out;
}

void modHighlight::highlightBlock(const QString& text)
{
    for (const HighlightRun& run : runs(text))
        setFormat(run.start, run.length, m_formats[size_t(run.colour)]);
}
