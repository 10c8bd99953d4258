#pragma once
// Message boxes, file dialogs and waits, behind an interface so tests can record them.
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Button sets, icons and answers keep the classic message-box numbers.
enum MsgBoxStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual int MsgBox(const QString& text, int style = vbOKOnly, const QString& title = {}) = 0;
    // Empty text when the user cancels.
    virtual QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter) = 0;
    // Waits while the event loop keeps running (window messages are processed); the
    // user's input is dropped meanwhile and a close request taken up after the work.
    virtual void Wait(int ms) = 0;
    // Like Wait, but over as soon as done() returns true (asked while events are processed).
    virtual void WaitUntil(int ms, const std::function<bool()>& done)
    {
        (void)done;
        Wait(ms);
    }
    // Hands a document (help file, report) to the desktop's viewer; false when none opened it.
    virtual bool OpenDocument(const QString& path) = 0;
    // Starts a program; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& args) = 0;
};

// The real dialogs, parented to the given window (may be null).
class QtDialogs : public IDialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    int MsgBox(const QString& text, int style, const QString& title) override;
    QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter) override;
    void Wait(int ms) override;
    void WaitUntil(int ms, const std::function<bool()>& done) override;
    bool OpenDocument(const QString& path) override;
    bool StartProgram(const QString& program, const QStringList& args) override;

private:
    QWidget* m_parent;
};
