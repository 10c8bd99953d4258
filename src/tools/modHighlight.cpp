#include "modHighlight.h"

#include <QTextCharFormat>
#include <algorithm>

namespace {
constexpr int kPlain = -1;
}

modHighlight::modHighlight(QTextDocument* document)
    : QSyntaxHighlighter(document)
{
}

void modHighlight::InitHighlight()
{
    m_colours = {QColor(0, 0, 0), QColor(0, 0, 255), QColor(255, 6, 0), QColor(170, 170, 170)};
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
    rehighlight();
}

QList<HighlightRun> modHighlight::runs(const QString& line) const
{
    struct Segment {
        int start, length, colour;
    };
    QList<Segment> segments{{0, int(line.size()), kPlain}};
    for (const Keyword& keyword : m_keywords) {
        if (keyword.text.isEmpty())
            continue;
        const auto size = int(keyword.text.size());
        QList<Segment> next;
        for (const Segment& s : segments) {
            if (s.colour != kPlain) {
                next << s;
                continue;
            }
            int from = s.start;
            const int end = s.start + s.length;
            for (;;) {
                const auto at = int(line.indexOf(keyword.text, from));
                if (at < 0 || at + size > end)
                    break;
                if (at > from)
                    next << Segment{from, at - from, kPlain};
                next << Segment{at, size, keyword.colour};
                from = at + size;
            }
            if (from < end)
                next << Segment{from, end - from, kPlain};
        }
        segments = next;
    }

    QList<HighlightRun> out;
    for (const Segment& s : segments)
        if (s.colour > 0)
            out << HighlightRun{s.start, s.length, s.colour};
    return out;
}

void modHighlight::highlightBlock(const QString& text)
{
    for (const HighlightRun& run : runs(text)) {
        QTextCharFormat format;
        format.setForeground(m_colours[size_t(run.colour)]);
        setFormat(run.start, run.length, format);
    }
}
