#include "LogBox.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

void LogBuffer::SetText(const QString& text)
{
    m_text = text;
    m_selStart = std::min(m_selStart, int(m_text.size()));
    m_selLength = 0;
    textChanged();
}

void LogBuffer::SetSelStart(int start)
{
    m_selStart = std::clamp(start, 0, int(m_text.size()));
    m_selLength = 0;
}

void LogBuffer::SetSelLength(int length)
{
    m_selLength = std::clamp(length, 0, int(m_text.size()) - m_selStart);
}

void LogBuffer::SetSelText(const QString& text)
{
    const bool atEnd = m_selLength == 0 && m_selStart == int(m_text.size());
    if (atEnd)
        m_text += text;
    else
        m_text.replace(m_selStart, m_selLength, text);
    m_selStart += int(text.size());
    m_selLength = 0;
    if (atEnd)
        textAppended(text);
    else
        textChanged();
}

namespace {
QString shownText(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
}

TextEditLogBox::TextEditLogBox(QPlainTextEdit* edit)
    : m_edit(edit)
{
    if (m_edit)
        m_edit->setUndoRedoEnabled(false); // a log is not edited: its lines need no undo history
}

void TextEditLogBox::textChanged()
{
    if (!m_edit)
        return;
    m_edit->setPlainText(shownText(Text()));
    m_edit->verticalScrollBar()->setValue(m_edit->verticalScrollBar()->maximum());
}

void TextEditLogBox::textAppended(const QString& text)
{
    // A whole run's log is shown line by line, not laid out anew at every line.
    const QString all = Text();
    const qsizetype before = all.size() - text.size();
    if (!m_edit || (before > 0 && all.at(before - 1) == QLatin1Char('\r') && text.startsWith(QLatin1Char('\n')))) {
        textChanged(); // a CR LF split between two appends
        return;
    }
    QTextCursor end(m_edit->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shownText(text));
    m_edit->verticalScrollBar()->setValue(m_edit->verticalScrollBar()->maximum());
}
