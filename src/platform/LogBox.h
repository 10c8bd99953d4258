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
    // A box that holds one job's log (a script run's) is not trimmed: every line of the job
    // is part of its result. Others keep their last 8192 characters or a little more.
    virtual bool KeepsAll() const { return false; }
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
    bool KeepsAll() const override { return m_keepsAll; }
    void setKeepsAll(bool keepsAll) { m_keepsAll = keepsAll; }

protected:
    virtual void textChanged() {}
    // Text added at the end; a view can take it without redoing what it shows.
    virtual void textAppended(const QString& text)
    {
        (void)text;
        textChanged();
    }

private:
    QString m_text;
    int m_selStart = 0;
    int m_selLength = 0;
    bool m_keepsAll = false;
};

// Shows a LogBuffer in a plain-text widget (CR LF shown as line breaks).
class TextEditLogBox : public LogBuffer {
public:
    explicit TextEditLogBox(QPlainTextEdit* edit);
    QPlainTextEdit* widget() const { return m_edit; }

protected:
    void textChanged() override;
    void textAppended(const QString& text) override;

private:
    QPlainTextEdit* m_edit;
};
