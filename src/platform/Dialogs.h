#pragma once
// Message boxes, file dialogs and waits, behind an interface so tests can record them.
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class AppContext;
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
    // Empty text when the user cancels. defaultSuffix (without the dot) is added to a name typed without one.
    virtual QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter,
                                    const QString& defaultSuffix = {}) = 0;
    virtual QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter,
                                    const QString& defaultSuffix = {}) = 0;
    // Waits at least ms while the event loop keeps running (window messages are processed);
    // the user's input is dropped meanwhile and a close request taken up after the work.
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

// Names the window that owns the dialogs opened while the guard lives: a window
// just shown is not yet the active one.
class DialogOwnerGuard {
public:
    explicit DialogOwnerGuard(QWidget* owner);
    ~DialogOwnerGuard();
    DialogOwnerGuard(const DialogOwnerGuard&) = delete;
    DialogOwnerGuard& operator=(const DialogOwnerGuard&) = delete;

private:
    AppContext* m_app;
    QPointer<QWidget> m_previous;
};

// The real dialogs, owned by the given window; without one by the window a guard names,
// else the active modal dialog, else the active window, so that they open over the
// window the user works in and get no task-bar entry of their own.
class QtDialogs : public IDialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    int MsgBox(const QString& text, int style, const QString& title) override;
    QString GetOpenFileName(const QString& title, const QString& folder, const QString& filter,
                            const QString& defaultSuffix) override;
    QString GetSaveFileName(const QString& title, const QString& folder, const QString& filter,
                            const QString& defaultSuffix) override;
    void Wait(int ms) override;
    void WaitUntil(int ms, const std::function<bool()>& done) override;
    bool OpenDocument(const QString& path) override;
    bool StartProgram(const QString& program, const QStringList& args) override;

    QWidget* owner() const;

private:
    QWidget* m_parent;
};
