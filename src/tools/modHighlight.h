#pragma once
// Colours XML text by a fixed, ordered list of keywords (punctuation and the
// element and attribute names of scripts and reports). No XML is parsed:
// each keyword in turn colours its case-sensitive occurrences in the text that
// no earlier keyword has coloured, so the order of the list matters.
#include <QColor>
#include <QList>
#include <QString>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <array>

struct HighlightRun {
    int start = 0;
    int length = 0;
    int colour = 0; // index into the colour table
    bool operator==(const HighlightRun&) const = default;
};

class modHighlight : public QSyntaxHighlighter {
    Q_OBJECT
public:
    static constexpr int kKeywordSlots = 25;
    struct Keyword {
        int colour = 0;
        QString text;
    };

    explicit modHighlight(QTextDocument* document);

    // Fills the colour and keyword tables afresh; until then nothing is coloured.
    void InitHighlight();

    // The coloured runs of one line, in text order; plain text has no run.
    QList<HighlightRun> runs(const QString& line) const;
    QColor colour(int index) const { return m_colours[size_t(index)]; }

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QColor, 4> m_colours{};
    std::array<QTextCharFormat, 4> m_formats{};
    std::array<Keyword, kKeywordSlots> m_keywords{};
};
