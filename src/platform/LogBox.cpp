#include "LogBox.h"

#include <QPlainTextEdit>
#include <QScrollBar>

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
    m_text.replace(m_selStart, m_selLength, text);
    m_selStart += int(text.size());
    m_selLength = 0;
    textChanged();
}

void TextEditLogBox::textChanged()
{
    if (!m_edit)
        return;
    QString shown = Text();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->setPlainText(shown);
    m_edit->verticalScrollBar()->setValue(m_edit->verticalScrollBar()->maximum());
}
