#pragma once
// The end-to-end fault matrix: the faults the virtual coupler injects, a main
// window over the real serial and network channels with short time-outs, and
// the checks every row shares. A view adds its rows with a list of stages
// (the coupler target of the request each stage sends, and what the stage
// does) and these helpers; tests/e2e/tst_faultmatrix.cpp shows the pattern.
#include "common/Sanitized.h"
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"

#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>
#include <pugixml.hpp>
#include <memory>
#include <vector>

class frmMain;

// An error code no device function gives: the device refuses the request.
inline constexpr int32_t kMatrixRefusal = 0x2001;

struct MatrixFault {
    const char* name;   // in row names
    QString spec;       // the kind part of a fault spec, e.g. "lost" or "error:8193"
    bool answered;      // the device answers with an error code; every other fault is a lost link
    int32_t serialCode; // what the hit call returns over the serial line
    int32_t qnpCode;    // and over the network channel
    bool carriedOut;    // the device carried the request out (only its reply went wrong)
    bool lasts;         // the device stays unreachable after the request it hit
};

// silent, lost, garbled, truncated, wrong sequence, error code, reboot, link killed.
const std::vector<MatrixFault>& matrixFaults();
const QStringList& matrixTransports(); // "serial", "qnp"

// The names of a view's stages, from an array of structs with a `name`.
template <typename Stage, size_t N>
QStringList stageNames(const Stage (&stages)[N])
{
    QStringList names;
    for (const Stage& s : stages)
        names << QString::fromLatin1(s.name);
    return names;
}

// Qt Test rows "<transport> <fault> at <stage>" with the columns transport (QString),
// fault (int, index into matrixFaults()) and stage (int, index into stages).
void addMatrixRows(const QStringList& stages);

// Qt Test rows "<transport> <case>" with the columns transport (QString) and row (int, index into cases).
void addTransportRows(const QStringList& cases);

// During the next real wait (RecordingDialogs::realWaits) the view's close box is pressed and the
// next view's opening closes the other forms. It ends with its scope, so a row that failed before
// the wait leaves nothing to fire in a later row.
class CloseViewDuringWait {
public:
    explicit CloseViewDuringWait(QWidget* view);
    bool stayed() const { return m_stayed; } // whether the view was still open then

private:
    QPointer<QWidget> m_view;
    QTimer m_timer;
    bool m_stayed = false;
};

// What the coupler saw of the last MatrixProgram::runFaulted: the requests from the one the fault hit
// to the end of the stage.
struct FaultedRun {
    qint64 elapsedMs = -1; // from the fault to the end of the stage; -1: the fault never fired
    QStringList requests;  // trace lines, e.g. "serial read 0 0 0 12 = silent"
    // The requests that left the program waiting out its time-out: no reply came, or one cut
    // short or of another request. A garbled frame, a refusal or a dropped link is known at once.
    int waits() const;
    QString describe() const; // the waits and the requests, for a failure message
};
const FaultedRun& lastFaultedRun();

struct MatrixRow {
    QString transport;
    const MatrixFault* fault = nullptr;
    int stage = 0;
    // The code a call hit by this row's fault returns.
    int32_t code() const { return transport == QLatin1String("serial") ? fault->serialCode : fault->qnpCode; }
};
MatrixRow fetchMatrixRow(); // inside a test function fed by addMatrixRows

// The main window over the virtual coupler, as a user runs it, with one coupler
// process for every row. Settings, description cache and debug copies live in
// the test's folder.
class MatrixProgram {
public:
    // A healthy coupler's reply must come within it while the machine is busy: shorter ones are raised to it.
    // Beside sixteen busy loops the kernel kept the program or the coupler from the processor for up to
    // 378 ms, in a sanitized build (several times slower) often enough that healthy replies missed 250 ms.
    static constexpr int kTimeoutMs = kSanitized ? 500 : 250;

    explicit MatrixProgram(int timeoutMs = kTimeoutMs);
    ~MatrixProgram();
    int timeoutMs() const { return m_timeoutMs; }
    bool start(const QString& station, const QStringList& couplerOptions = {});
    // A new main window in a new program context over the same settings, as after the
    // program ended and was started again; the coupler runs on.
    void restartProgram();

    // The channel settings for the next log-in.
    void useTransport(const QString& transport);
    bool logIn();  // F11; true when online afterwards
    void logOut(); // F12, when online
    bool online() const;
    // Faults cleared, the last row's requests taken in, and online over transport with the coupler
    // answering the program's channel; logs in again only when needed.
    bool onlineOver(const QString& transport);

    frmMain& window() { return *m_window; }
    VirtualCoupler& coupler() { return m_coupler; }
    TestEnv& env() { return m_env; }
    QString log() const;
    QStringList logLines() const;
    QStringList treeLines() const; // every node, indented by depth
    QStringList devicePositions() const; // "Pos n" of the device nodes
    pugi::xml_node device(int pos) const;  // of the station read at the last log-in

    QMap<QString, QByteArray> cacheFiles() const; // file name -> content
    void clearCache();

    // A healthy coupler again: faults cleared, the last row's requests taken in, offline, empty cache and log.
    bool reset();
    // The coupler's trace since the row began (onlineOver, reset), for the report of a failed row.
    QString rowTrace();
    // Arms spec at target, runs the stage and returns the milliseconds from the fault
    // to the end of the stage; -1 when the fault never fired. lastFaultedRun() tells the rest.
    qint64 runFaulted(const QString& spec, const QString& target, const std::function<void()>& stage);
    // The same with the fault of a row.
    qint64 runFaulted(const MatrixRow& row, const QString& target, const std::function<void()>& stage);

private:
    void openWindow();
    bool readyCoupler();
    bool answersOnline();

    TestEnv m_env;
    VirtualCoupler m_coupler;
    std::unique_ptr<frmMain> m_window;
    int m_timeoutMs;
    QString m_transport;
    qsizetype m_rowStart = 0; // trace lines before the row
};

// Lets events run until done() holds; false after timeoutMs.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);
// A failure is named with its code: "code N" or "Code N" in the text.
bool namesCode(const QString& text, int32_t code);
// Fails the row unless the fault fired, the program waited at most count time-outs from it
// on (counted in the requests the coupler saw), and the stage ended within the wall-clock
// backstop of withinTimeouts.
#define MATRIX_VERIFY_ENDED(elapsed, count, timeoutMs)                                                                 \
    do {                                                                                                               \
        QVERIFY2((elapsed) >= 0, "the fault never fired");                                                             \
        QVERIFY2(lastFaultedRun().waits() <= (count), qPrintable(lastFaultedRun().describe()));                        \
        QVERIFY2(withinTimeouts((elapsed), (count), (timeoutMs)),                                                      \
                 qPrintable(QStringLiteral("%1 ms after the fault; ").arg(elapsed) + lastFaultedRun().describe()));    \
    } while (false)

// A control of a form by its name; a missing one ends the test run, as no row could pass without it.
template <typename T>
T* namedChild(QWidget& form, const QString& name)
{
    T* widget = form.findChild<T*>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

// What a file of view rows keeps: one program and coupler for all its rows.
class MatrixFixture {
protected:
    // Loads the string table and starts the program on the station with the given time-out.
    bool startMatrix(const QString& station, int timeoutMs, const QStringList& couplerOptions = {});
    void stopMatrix() { m_program.reset(); }
    MatrixProgram& p() { return *m_program; }
    RecordingDialogs& dialogs() { return m_program->env().dialogs(); }
    // One register as the device holds it, read over the program's channel; -1 when that fails.
    int32_t deviceWord(int pos, int table, int reg);
    // Whether the coupler's write protection guards the register: writing its value back is refused.
    bool deviceProtects(int table, int reg);
    // For cleanup(): a failed row is reported with what the coupler saw of it.
    void reportFailedRow() const;

private:
    std::unique_ptr<MatrixProgram> m_program;
};
// For a suite's cleanup(): a failed row is reported with what the coupler saw of it.
void reportFailedRow(MatrixProgram& program);

// The wall-clock backstop: ended within count time-outs and a few more after the fault. The time-outs
// the program waited are counted by the coupler (FaultedRun::waits); a descheduled process only
// stretches the wall clock, so it bounds only what the coupler cannot see, such as a sleep.
bool withinTimeouts(qint64 elapsedMs, int count, int timeoutMs = MatrixProgram::kTimeoutMs);
inline bool withinTwoTimeouts(qint64 elapsedMs, int timeoutMs = MatrixProgram::kTimeoutMs)
{
    return withinTimeouts(elapsedMs, 2, timeoutMs);
}
// Cache files that no healthy read would have written: not in the reference, or different.
QStringList cacheFilesNotFrom(const QMap<QString, QByteArray>& now, const QMap<QString, QByteArray>& reference);
