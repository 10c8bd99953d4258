#pragma once
// The log box: a text that keeps its exact characters (CR LF included) and
// the few text-box members AppendLogText works with.
#include <QString>

class QPlainTextEdit;

class ILogBox {
public:
    virtual ~ILogBox() = default;
    virtual QString Text() const = 0;
    virtual void SetText(const QString& text) = 0;
    virtual void SetSelStart(int start) = 0;   // also empties the selection
    virtual void SetSelLength(int length) = 0;
    virtual void SetSelText(const QString& text) = 0; // replaces the selection
};

// Appends text to the box as the log does: trims the box, handles backspace, CR and LF.
void AppendLogText(ILogBox* box, const QString& text);

// A text from outside (a stored setting) as it may be quoted inside one line:
// control characters as blanks, and cut with an ellipsis past maxChars.
QString quotableText(const QString& text, int maxChars = 40);

// In-memory box; also the model behind the on-screen one.
class LogBuffer : public ILogBox {
public:
    QString Text() const override { return m_text; }
    void SetText(const QString& text) override;
    void SetSelStart(int start) override;
    void SetSelLength(int length) override;
    void SetSelText(const QString& text) override;

protected:
    virtual void textChanged() {}

private:
    QString m_text;
    int m_selStart = 0;
    int m_selLength = 0;
};

// Shows a LogBuffer in a plain-text widget (CR LF shown as line breaks).
class TextEditLogBox : public LogBuffer {
public:
    explicit TextEditLogBox(QPlainTextEdit* edit) : m_edit(edit) {}
    QPlainTextEdit* widget() const { return m_edit; }

protected:
    void textChanged() override;

private:
    QPlainTextEdit* m_edit;
};
