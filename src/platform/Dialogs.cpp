#include "Dialogs.h"

#include "AppContext.h"
#include "UserInputBlock.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QUrl>

#include <algorithm>

// A guard lives on the stack of the code that opens dialogs; it belongs to the context
// it was made in, which a test may end first.
DialogOwnerGuard::DialogOwnerGuard(QWidget* owner)
    : m_app(AppContext::current())
{
    if (m_app) {
        m_previous = m_app->dialogOwner;
        m_app->dialogOwner = owner;
    }
}

DialogOwnerGuard::~DialogOwnerGuard()
{
    if (m_app && AppContext::current() == m_app)
        m_app->dialogOwner = m_previous;
}

QWidget* QtDialogs::owner() const
{
    if (m_parent)
        return m_parent;
    if (AppContext::current() && app().dialogOwner)
        return app().dialogOwner;
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int QtDialogs::MsgBox(const QString& text, int style, const QString& title)
{
    QMessageBox box(owner());
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    switch (style & 0x70) {
    case vbCritical: box.setIcon(QMessageBox::Critical); break;
    case vbQuestion: box.setIcon(QMessageBox::Question); break;
    case vbExclamation: box.setIcon(QMessageBox::Warning); break;
    case vbInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Button { QMessageBox::StandardButton button; int result; };
    QList<Button> buttons;
    switch (style & 7) {
    case vbOKCancel: buttons = {{QMessageBox::Ok, vbOK}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbAbortRetryIgnore:
        buttons = {{QMessageBox::Abort, vbAbort}, {QMessageBox::Retry, vbRetry}, {QMessageBox::Ignore, vbIgnore}};
        break;
    case vbYesNoCancel: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}, {QMessageBox::Cancel, vbCancel}}; break;
    case vbYesNo: buttons = {{QMessageBox::Yes, vbYes}, {QMessageBox::No, vbNo}}; break;
    case vbRetryCancel: buttons = {{QMessageBox::Retry, vbRetry}, {QMessageBox::Cancel, vbCancel}}; break;
    default: buttons = {{QMessageBox::Ok, vbOK}}; break;
    }
    QMessageBox::StandardButtons set;
    for (const Button& b : buttons)
        set |= b.button;
    box.setStandardButtons(set);
    const int clicked = box.exec();
    for (const Button& b : buttons)
        if (clicked == b.button)
            return b.result;
    // Closing the box counts as its cancel (or the only) button.
    return buttons.size() == 1 ? buttons.first().result : vbCancel;
}

namespace {

QString fileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QString& title, const QString& folder,
                   const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(owner, title, folder, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString QtDialogs::GetOpenFileName(const QString& title, const QString& folder, const QString& filter,
                                   const QString& defaultSuffix)
{
    return fileDialog(owner(), QFileDialog::AcceptOpen, title, folder, filter, defaultSuffix);
}

QString QtDialogs::GetSaveFileName(const QString& title, const QString& folder, const QString& filter,
                                   const QString& defaultSuffix)
{
    return fileDialog(owner(), QFileDialog::AcceptSave, title, folder, filter, defaultSuffix);
}

namespace {

// Lets events run until the deadline has passed or done() holds. The loop checks the clock
// itself: a coarse timer of two seconds may fire 5 % early, and a device that restarts
// within the promised time would then be read while it restarts.
void runEventsUntil(const QDeadlineTimer& deadline, const std::function<bool()>& done)
{
    const UserInputBlock noInput; // nothing the user starts may run inside the caller's work
    while (!deadline.hasExpired() && !(done && done())) {
        QEventLoop loop;
        bool woken = false;
        const auto wake = [&] {
            woken = true;
            loop.quit();
        };
        QTimer::singleShot(std::max<qint64>(1, deadline.remainingTime()), Qt::PreciseTimer, &loop, wake);
        QTimer check;
        if (done) {
            QObject::connect(&check, &QTimer::timeout, &loop, [&] {
                if (done())
                    wake();
            });
            check.start(20);
        }
        loop.exec();
        if (!woken)
            return; // the program is ending: every event loop was told to quit
    }
}

} // namespace

void QtDialogs::Wait(int ms)
{
    if (ms <= 0)
        return;
    runEventsUntil(QDeadlineTimer(ms, Qt::PreciseTimer), {});
}

void QtDialogs::WaitUntil(int ms, const std::function<bool()>& done)
{
    if (ms <= 0 || done())
        return;
    runEventsUntil(QDeadlineTimer(ms, Qt::PreciseTimer), done);
}

bool QtDialogs::OpenDocument(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDialogs::StartProgram(const QString& program, const QStringList& args)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, args);
}
