#include "FaultMatrix.h"

#include "devices/DescriptionTestUtil.h"
#include "devices/DeviceFormat.h"
#include "devices/modStationRead.h"
#include "platform/DeviceChannel.h"
#include "platform/FormRegistry.h"
#include "platform/RegistryStore.h"
#include "platform/StringTable.h"
#include "shell/ShellContext.h"
#include "shell/frmMain.h"
#include "shell/modCommands.h"
#include "shell/modLogin.h"
#include "shell/modViewDispatch.h"

#include <QAction>
#include <algorithm>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Harmsted\\TD4700_V4\\Common");
constexpr int kCom = 11;
// Below the earliest end of the program's restart wait of 2000 ms (a coarse timer may end a twentieth
// early), yet long enough that a reboot fault lasts through a stage of two waits, however late a
// loaded machine sends the stage's next request. The channel dialogs' Test waits out four reads:
// its rows arm every read (#1+), so a reboot that ended is started again.
constexpr int kRebootMs = 1800;
// The wall-clock backstop's room beyond the time-outs a stage may wait: a sanitizer build on a
// machine with twice as many busy processes as cores still ends its stages well within it.
constexpr int kBackstopTimeouts = 4;

FaultedRun g_lastRun; // of the one MatrixProgram a test runs at a time
void dumpTree(QTreeWidgetItem* item, int depth, QStringList& out)
{
    out << QString(depth * 2, QLatin1Char(' ')) + item->text(0);
    for (int i = 0; i < item->childCount(); ++i)
        dumpTree(item->child(i), depth + 1, out);
}

} // namespace

const std::vector<MatrixFault>& matrixFaults()
{
    static const std::vector<MatrixFault> kFaults = {
        {"silent", QStringLiteral("silent"), false, ChTimeout, ChTimeout, false, true},
        {"lost reply", QStringLiteral("lost"), false, ChTimeout, ChTimeout, true, false},
        {"garbled", QStringLiteral("garbled"), false, ChBadFrame, ChBadFrame, true, false},
        {"truncated", QStringLiteral("truncated"), false, ChBadFrame, ChBadFrame, true, false},
        {"wrong sequence", QStringLiteral("wrongseq"), false, ChTimeout, ChTimeout, true, false},
        {"error code", QStringLiteral("error:%1").arg(kMatrixRefusal), true, kMatrixRefusal, kMatrixRefusal, false, false},
        {"reboot", QStringLiteral("reboot"), false, ChTimeout, ChTimeout, false, true},
        {"link killed", QStringLiteral("kill"), false, ChLinkLost, ChLinkLost, false, false},
    };
    return kFaults;
}

const QStringList& matrixTransports()
{
    static const QStringList kTransports{QStringLiteral("serial"), QStringLiteral("qnp")};
    return kTransports;
}

void addMatrixRows(const QStringList& stages)
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("stage");
    for (const QString& transport : matrixTransports()) {
        for (size_t f = 0; f < matrixFaults().size(); ++f) {
            for (int s = 0; s < stages.size(); ++s) {
                QTest::addRow("%s %s at %s", qPrintable(transport), matrixFaults()[f].name, qPrintable(stages[s]))
                    << transport << int(f) << s;
            }
        }
    }
}

void addTransportRows(const QStringList& cases)
{
    QTest::addColumn<QString>("transport");
    QTest::addColumn<int>("row");
    for (const QString& transport : matrixTransports())
        for (int r = 0; r < cases.size(); ++r)
            QTest::addRow("%s %s", qPrintable(transport), qPrintable(cases[r])) << transport << r;
}

CloseViewDuringWait::CloseViewDuringWait(QWidget* view)
    : m_view(view)
{
    m_timer.setSingleShot(true);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        if (!m_view)
            return;
        m_view->close();
        CloseOtherForms();
        m_stayed = m_view && FormRegistry::IsLoaded(m_view) && !m_view->isHidden();
    });
    m_timer.start(300);
}

MatrixRow fetchMatrixRow()
{
    MatrixRow row;
    row.transport = *static_cast<QString*>(QTest::qData("transport", qMetaTypeId<QString>()));
    row.fault = &matrixFaults().at(size_t(*static_cast<int*>(QTest::qData("fault", qMetaTypeId<int>()))));
    row.stage = *static_cast<int*>(QTest::qData("stage", qMetaTypeId<int>()));
    return row;
}

MatrixProgram::MatrixProgram(int timeoutMs)
    : m_timeoutMs(std::max(timeoutMs, kTimeoutMs))
{
}

MatrixProgram::~MatrixProgram()
{
    if (m_window && online())
        logOut();
    m_env.context().gLogBox = &m_env.log();
    m_window.reset();
    if (AppContext::current())
        app().gObjDevChannel = nullptr;
}

bool MatrixProgram::start(const QString& station, const QStringList& couplerOptions)
{
    if (!m_coupler.start(station, QStringList{QStringLiteral("--reboot-ms"), QString::number(kRebootMs)} + couplerOptions,
                         kCom))
        return false;
    qputenv("TD4700_QNP_ROUTER", m_coupler.routerAddress().toLocal8Bit());
    RegistryStore& store = *m_env.context().store;
    const auto set = [&](const char* name, const QString& value) {
        store.setValue(HKEY_CURRENT_USER, kKey, QLatin1String(name), RegValue::fromText(value));
    };
    set("Port", QString::number(kCom));
    // The channel allows a request its line time on top of the time-out; a fast line keeps that
    // allowance small against the rows' short time-outs (slow lines have tests of their own).
    set("Baud", QStringLiteral("921600"));
    set("Timeout", QString::number(m_timeoutMs));
    set("QnpRtnNetId", m_coupler.netId());
    set("QnpRtnPort", QString::number(m_coupler.qnpPort()));
    useTransport(QStringLiteral("serial"));
    openWindow();
    return true;
}

void MatrixProgram::openWindow()
{
    gCommon().setPathFolderResCommon(m_env.tempPath() + QStringLiteral("/res"));
    QDir().mkpath(m_env.tempPath() + QStringLiteral("/res/Devices"));
    m_window = std::make_unique<frmMain>();
    m_window->setEndProcess([] {});
    m_window->commands().login().readContext().debugFolder = m_env.tempPath();
    m_env.context().gLogBox = m_window->logBox();
}

void MatrixProgram::restartProgram()
{
    m_env.context().gLogBox = &m_env.log();
    m_window.reset();
    if (AppContext::current())
        app().gObjDevChannel = nullptr;
    m_env.restart();
    openWindow();
}

void MatrixProgram::useTransport(const QString& transport)
{
    m_transport = transport;
    m_env.context().store->setValue(HKEY_CURRENT_USER, kKey, QStringLiteral("Device"),
                                    RegValue::fromText(transport == QLatin1String("qnp") ? QStringLiteral("1")
                                                                                         : QStringLiteral("0")));
}

bool MatrixProgram::logIn()
{
    m_window->mnuOnlineItem().item(1)->trigger();
    return online();
}

void MatrixProgram::logOut()
{
    if (online())
        m_window->mnuOnlineItem().item(2)->trigger();
}

bool MatrixProgram::online() const { return m_window->commands().gProject().Online(); }

bool MatrixProgram::onlineOver(const QString& transport)
{
    if (!readyCoupler())
        return false;
    if (online() && m_transport == transport)
        return answersOnline();
    logOut();
    useTransport(transport);
    return logIn();
}

bool MatrixProgram::readyCoupler()
{
    // After the sync, a request of the last row that reached the coupler late has been answered
    // without a fault, and the next row's fault cannot fire on it.
    if (!m_coupler.clearFaults() || !m_coupler.sync())
        return false;
    m_rowStart = m_coupler.trace().size();
    return true;
}

QString MatrixProgram::rowTrace()
{
    m_coupler.sync(); // the requests of the failed step are in the trace then
    return m_coupler.trace().mid(m_rowStart).join(QLatin1Char('\n'));
}

bool MatrixProgram::answersOnline()
{
    // The channel may have to open the line again after the last row's fault; it tries once a call.
    IDeviceChannel* channel = app().gObjDevChannel;
    std::array<int32_t, 1> word{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (channel && channel->VbRegSyncReadReq(0, 0, 0, 1, word) == ChOk)
            return true;
    }
    return false;
}

QString MatrixProgram::log() const { return m_window->logBox()->Text(); }

QStringList MatrixProgram::logLines() const { return log().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts); }

QStringList MatrixProgram::treeLines() const
{
    QStringList out;
    QTreeWidget* tree = m_window->tvTreeView();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        dumpTree(tree->topLevelItem(i), 0, out);
    return out;
}

QStringList MatrixProgram::devicePositions() const
{
    QStringList out;
    QTreeWidget* tree = m_window->tvTreeView();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << tree->topLevelItem(i)->text(0).section(QLatin1Char(':'), 0, 0);
    return out;
}

pugi::xml_node MatrixProgram::device(int pos) const { return stationDevice(shell().gStationNode, pos); }

QMap<QString, QByteArray> MatrixProgram::cacheFiles() const
{
    QMap<QString, QByteArray> out;
    const QDir folder(fDeviceDescriptionFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*.xml")}, QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            out.insert(name, file.readAll());
    }
    return out;
}

void MatrixProgram::clearCache() { fDeleteDeviceFiles(); }

bool MatrixProgram::reset()
{
    if (!readyCoupler())
        return false;
    logOut();
    clearCache();
    m_window->logBox()->SetText({});
    return true;
}

qint64 MatrixProgram::runFaulted(const QString& spec, const QString& target, const std::function<void()>& stage)
{
    g_lastRun = {};
    const qsizetype mark = m_coupler.trace().size();
    if (!m_coupler.arm(spec + QLatin1Char('@') + target))
        return -1;
    stage();
    const qint64 end = VirtualCoupler::monotonicMs();
    if (!m_coupler.sync()) // every request the stage sent is in the trace now
        return -1;
    const QStringList lines = m_coupler.trace().mid(mark);
    const auto fired = std::find_if(lines.cbegin(), lines.cend(),
                                    [](const QString& line) { return line.startsWith(QLatin1String("fired ")); });
    if (fired == lines.cend())
        return -1;
    g_lastRun.elapsedMs = end - fired->section(QLatin1Char(' '), -1).toLongLong();
    for (auto it = fired + 1; it != lines.cend(); ++it) {
        if ((it->startsWith(QLatin1String("serial ")) || it->startsWith(QLatin1String("qnp "))) && it->contains(QLatin1String(" = ")))
            g_lastRun.requests << *it;
    }
    return g_lastRun.elapsedMs;
}

const FaultedRun& lastFaultedRun() { return g_lastRun; }

int FaultedRun::waits() const
{
    static const QRegularExpression kWaited(QStringLiteral(" = (silent.*|.* (lost|wrongseq|truncated))$"));
    return int(std::count_if(requests.cbegin(), requests.cend(),
                             [](const QString& line) { return kWaited.match(line).hasMatch(); }));
}

QString FaultedRun::describe() const
{
    return QStringLiteral("%1 time-outs waited from the fault on:\n  %2").arg(waits()).arg(requests.join(QStringLiteral("\n  ")));
}

bool MatrixFixture::startMatrix(const QString& station, int timeoutMs, const QStringList& couplerOptions)
{
    if (!loadStringTable(QCoreApplication::applicationDirPath() + QStringLiteral("/Resource/StringTable.txt")))
        return false;
    m_program.reset(); // one program, one context at a time
    m_program = std::make_unique<MatrixProgram>(timeoutMs);
    return m_program->start(station, couplerOptions);
}

void MatrixFixture::reportFailedRow() const
{
    if (m_program)
        ::reportFailedRow(*m_program);
}

void reportFailedRow(MatrixProgram& program)
{
    if (QTest::currentTestFailed())
        qInfo("what the coupler saw of the row:\n%s", qPrintable(program.rowTrace()));
}

int32_t MatrixFixture::deviceWord(int pos, int table, int reg)
{
    std::array<int32_t, 1> word{-1};
    IDeviceChannel* channel = app().gObjDevChannel;
    return channel && channel->VbRegSyncReadReq(pos, table, reg, 1, word) == ChOk ? word[0] : -1;
}

bool MatrixFixture::deviceProtects(int table, int reg)
{
    std::array<int32_t, 1> word{deviceWord(0, table, reg)};
    IDeviceChannel* channel = app().gObjDevChannel;
    return word[0] >= 0 && channel && channel->VbRegSyncWriteReq(0, table, reg, 1, word) == ChWriteProtected;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.hasExpired(timeoutMs))
            return false;
        QTest::qWait(2);
    }
    return true;
}

qint64 MatrixProgram::runFaulted(const MatrixRow& row, const QString& target, const std::function<void()>& stage)
{
    return runFaulted(row.fault->spec, target, stage);
}

bool namesCode(const QString& text, int32_t code)
{
    return text.contains(QRegularExpression(QStringLiteral("\\b[Cc]ode %1\\b").arg(code)));
}

bool withinTimeouts(qint64 elapsedMs, int count, int timeoutMs)
{
    return elapsedMs >= 0 && elapsedMs <= qint64(count + kBackstopTimeouts) * timeoutMs;
}

QStringList cacheFilesNotFrom(const QMap<QString, QByteArray>& now, const QMap<QString, QByteArray>& reference)
{
    QStringList out;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (reference.value(it.key()) != it.value())
            out << it.key();
    }
    return out;
}
