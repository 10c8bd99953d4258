#pragma once
// The end-to-end fault matrix: the faults the virtual coupler injects, a main
// window over the real serial and network channels with short time-outs, and
// the checks every row shares. A view adds its rows with a list of stages
// (the coupler target of the request each stage sends, and what the stage
// does) and these helpers; tests/e2e/tst_faultmatrix.cpp shows the pattern.
#include "common/TestEnv.h"
#include "common/VirtualCoupler.h"

#include <QMap>
#include <QStringList>
#include <functional>
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

// Qt Test rows "<transport> <fault> at <stage>" with the columns transport (QString),
// fault (int, index into matrixFaults()) and stage (int, index into stages).
void addMatrixRows(const QStringList& stages);

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
    static constexpr int kTimeoutMs = 250;

    MatrixProgram();
    ~MatrixProgram();
    bool start(const QString& station, const QStringList& couplerOptions = {});

    // The channel settings for the next log-in.
    void useTransport(const QString& transport);
    bool logIn();  // F11; true when online afterwards
    void logOut(); // F12, when online
    bool online() const;

    frmMain& window() { return *m_window; }
    VirtualCoupler& coupler() { return m_coupler; }
    TestEnv& env() { return m_env; }
    QString log() const;
    QStringList logLines() const;
    QStringList treeLines() const; // every node, indented by depth
    QStringList devicePositions() const; // "Pos n" of the device nodes

    QMap<QString, QByteArray> cacheFiles() const; // file name -> content
    void clearCache();

    // A healthy coupler again: faults cleared, offline, empty cache and log.
    bool reset();
    // Arms spec at target, runs the stage and returns the milliseconds from the fault
    // to the end of the stage; -1 when the fault never fired.
    qint64 runFaulted(const QString& spec, const QString& target, const std::function<void()>& stage);

private:
    TestEnv m_env;
    VirtualCoupler m_coupler;
    std::unique_ptr<frmMain> m_window;
};

// A failure is named with its code: "code N" or "Code N" in the text.
bool namesCode(const QString& text, int32_t code);
// Ended within two time-outs after the fault (with room for a loaded machine).
bool withinTwoTimeouts(qint64 elapsedMs);
// Cache files that no healthy read would have written: not in the reference, or different.
QStringList cacheFilesNotFrom(const QMap<QString, QByteArray>& now, const QMap<QString, QByteArray>& reference);
