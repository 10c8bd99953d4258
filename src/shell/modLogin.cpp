#include "modLogin.h"

#include "ShellContext.h"
#include "frmMain.h"
#include "modTextInfos.h"
#include "modViewDispatch.h"

#include "devices/CouplerDiagnosis.h"
#include "devices/modStationRead.h"
#include "platform/AppContext.h"
#include "platform/FailFastChannel.h"
#include "platform/Hourglass.h"
#include "platform/RegularFile.h"
#include "platform/ResponsiveChannel.h"

#include <QLabel>
#include <QStatusBar>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <sstream>

namespace {

// Coupler types whose firmware cannot monitor a station with a 9558 terminal.
const char* const BlockingCouplerTypes[] = {"6555", "6855", "6835", "6895", "9835",
                                            "9895", "9898", "9335", "9395", "7555"};

QString firstFour(int32_t value) { return QString::number(value).left(4); }

struct MonitoringTexts {
    const char* maybeNotSupported;
    const char* deactivated;
};
constexpr MonitoringTexts EnglishMonitoring = {
    "Online Monitoring: Maybe the feature is not automatically supported by this coupler-firmware.",
    "Online Monitoring: The function Online Monitoring is deactivated."};
constexpr MonitoringTexts GermanMonitoring = {
    "Online Monitoring: Eventuell wird Online Monitoring auf dem Koppler-Firmware nicht automatisch unterstützt.",
    "Online Monitoring: Die Funktion Online Monitoring ist deaktiviert."};

// The line of a log-in that a failed request ended.
struct LoginFailureTexts {
    const char *line, *reading, *writing, *where, *oneRegister, *registers;
    const char *identity, *terminalList, *directory, *diagnosis, *couplerTable, *terminalTable, *service;
};
constexpr LoginFailureTexts EnglishLoginFailure = {
    "Log-in failed: %1 %2 %3 gave code %4. No station is shown.", "reading", "writing",
    "(position %1, table %2, %3)", "register %1", "registers %1 to %2",
    "the coupler's identity", "the coupler's terminal list", "the coupler's table directory",
    "the coupler's diagnosis", "table %1 of the coupler", "table %1 of the terminal at position %2",
    "Log-in failed: the service request %1 to the coupler gave code %2. No station is shown."};
constexpr LoginFailureTexts GermanLoginFailure = {
    "Einloggen fehlgeschlagen: %1 %2 %3 ergab Code %4. Es wird keine Station angezeigt.", "Lesen", "Schreiben",
    "(Position %1, Tabelle %2, %3)", "Register %1", "Register %1 bis %2",
    "der Kennung des Kopplers", "der Klemmenliste des Kopplers", "des Tabellenverzeichnisses des Kopplers",
    "der Diagnose des Kopplers", "der Tabelle %1 des Kopplers", "der Tabelle %1 der Klemme an Position %2",
    "Einloggen fehlgeschlagen: die Dienstanfrage %1 an den Koppler ergab Code %2. Es wird keine Station angezeigt."};

void logLine(const char* text) { AppendLogText(app().gLogBox, QString::fromUtf8(text) + QStringLiteral("\r\n")); }

// Reads table 0 register 244; true with the value when the read succeeded.
bool readMarker(IDeviceChannel* channel, int32_t& value)
{
    if (!channel)
        return false;
    std::array<int32_t, 1> buffer{};
    if (channel->VbRegSyncReadReq(0, 0, 244, 1, buffer) != 0)
        return false;
    value = buffer[0];
    return true;
}

// A read of registers 0..254 into the image; a failed read leaves it as it is.
void readImage(IDeviceChannel* channel, int32_t table, std::array<int32_t, 256>& image)
{
    if (!channel)
        return;
    const int32_t rc = channel->VbRegSyncReadReq(0, table, 0, 255, std::span<int32_t>(image.data(), 255));
    (void)rc; // the decisions below work on what the image holds, read or not
}

} // namespace

bool fHasBlockingTerminal(const std::array<int32_t, 256>& table9)
{
    const QString type = firstFour(table9[0]);
    const bool blockingType = std::any_of(std::begin(BlockingCouplerTypes), std::end(BlockingCouplerTypes),
                                          [&](const char* t) { return type == QLatin1String(t); });
    if (!blockingType)
        return false;
    return std::any_of(table9.begin(), table9.end(), [](int32_t v) { return firstFour(v) == QLatin1String("9558"); });
}

bool fMappingWanted(bool monitoringAvailable, bool blockingTerminal, const std::array<int32_t, 256>& table0)
{
    if (blockingTerminal)
        return false;
    if (monitoringAvailable)
        return true;
    for (int reg = 3; reg <= 6; ++reg)
        if ((table0[size_t(reg)] & 0xC0) != 0)
            return true;
    return false;
}

FileWrite fSaveOwnerDocument(pugi::xml_node node, const QString& path)
{
    if (!node || path.isEmpty())
        return {FileWriteStatus::Failed, EINVAL};
    const pugi::xml_node document = node.root();
    std::ostringstream text;
    if (document.first_child().type() != pugi::node_declaration)
        text << "<?xml version=\"1.0\"?>\n";
    document.print(text, "\t", pugi::format_default, pugi::encoding_utf8);
    const std::string bytes = text.str();
    // A diagnostic copy, written again at every log-in: not worth waiting for the disk.
    return writeRegularFile(path, QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                            FileDurability::Rebuildable);
}

QString fLoginFailureText(const ChannelFailure& failure, bool english)
{
    const LoginFailureTexts& t = english ? EnglishLoginFailure : GermanLoginFailure;
    const auto text = [](const char* s) { return QString::fromUtf8(s); };
    const QString code = QStringLiteral("%1 (%2)").arg(failure.code).arg(channelResultText(failure.code, english));
    if (failure.kind == ChannelFailure::Service)
        return text(t.service).arg(failure.service).arg(code);

    const int32_t p = failure.pos;
    const int32_t table = failure.table;
    QString what;
    if (p != 0)
        what = text(t.terminalTable).arg(table).arg(p);
    else if (table == 0 && (failure.first == 50 || failure.first == 55 || failure.first == 200 || failure.first == 255))
        what = text(t.identity);
    else if (table == 9)
        what = text(t.terminalList);
    else if (table == 127)
        what = text(t.directory);
    else if (table == 90)
        what = text(t.diagnosis);
    else
        what = text(t.couplerTable).arg(table);
    QString registers = text(failure.count == 1 ? t.oneRegister : t.registers).arg(failure.first);
    if (failure.count != 1)
        registers = registers.arg(failure.first + failure.count - 1);
    const QString where = text(t.where).arg(p).arg(table).arg(registers);
    return text(t.line).arg(text(failure.kind == ChannelFailure::Write ? t.writing : t.reading), what, where, code);
}

LoginHandler::LoginHandler(frmMain& window)
    : m_window(window)
{
}

QString LoginHandler::debugCopyPath() const
{
    return fDebugOutputFolder(m_readContext) + QStringLiteral("/test2b.xml");
}

bool LoginHandler::german() const { return m_window.mnuLanguageItem().isChecked(0); }

void LoginHandler::TD4Project_ProjectStateChangeOnline(bool& online)
{
    HourglassGuard hourglass;
    // The window stays alive between the log-in's requests, and Escape from here on ends
    // it: a station of many terminals over a slow link takes minutes.
    ResponsiveChannel responsive(app().gObjDevChannel);
    if (ILogBox* box = m_window.logBox())
        box->SetText(QString());
    AppendLogText(app().gLogBox, online ? QStringLiteral("Online\r\n") : QStringLiteral("Offline\r\n"));
    if (QLabel* panel = m_window.statusPanel(2))
        panel->setText(online ? QStringLiteral("Online ") : QStringLiteral("Offline"));
    m_window.fUpdateMenuState();
    CloseOtherForms();
    if (!online)
        logOut();
    else if (!logIn(responsive))
        endFailedLogIn(online);
    m_window.sbStatusBar()->clearMessage(); // the position last read
}

void LoginHandler::endFailedLogIn(bool& online)
{
    ShellContext& state = shell();
    const QString line = m_failure.code == ChCancelled
        ? (german() ? QStringLiteral("Einloggen abgebrochen") : QStringLiteral("Log-in cancelled"))
        : fLoginFailureText(m_failure, !german());
    AppendLogText(app().gLogBox, line + QStringLiteral("\r\n"));
    state.gStationNode = pugi::xml_node();
    m_window.RebuildStationTree();
    state.gStationDocument.reset();
    // The project's own field: it stays offline and closes the port, as after failed probes.
    online = false;
    AppendLogText(app().gLogBox, QStringLiteral("Offline\r\n"));
    if (QLabel* panel = m_window.statusPanel(2))
        panel->setText(QStringLiteral("Offline"));
    m_window.fUpdateMenuState();
}

void LoginHandler::askDeviceFileQuestion()
{
    const bool de = german();
    const QString title = de ? QStringLiteral("Erstelle neue XML Geräte Dateien")
                             : QStringLiteral("Create new XML device files");
    const QString text = de ? QStringLiteral("Erstelle neue XML Geräte Dateien. Alte XML Geräte Dateien wirklich löschen?")
                            : QStringLiteral("Create new XML device files. Delete really old XML device files?");
    if (app().dialogs->MsgBox(text, vbOKCancel | vbQuestion, title) == vbOK)
        fDeleteDeviceFiles();
    m_deviceFileQuestionAsked = true;
}

void LoginHandler::disableOnlineMonitoring()
{
    m_window.mnuOptionItem().setChecked(3, false);
    m_window.mnuOptionItem().setEnabled(3, false);
}

bool LoginHandler::logIn(IDeviceChannel& device)
{
    AppContext& context = app();
    ShellContext& state = shell();
    MenuArray& options = m_window.mnuOptionItem();
    m_failure = {};
    // Every request of the log-in goes through one guard: after a transport failure the
    // rest of the log-in sends nothing over the dead link and ends with that failure.
    FailFastChannel link(&device);
    IDeviceChannel* channel = &link;
    const auto ended = [&] {
        if (!link.failed())
            return false;
        m_failure = link.failure();
        return true;
    };

    if (options.isChecked(5) && !m_deviceFileQuestionAsked)
        askDeviceFileQuestion();

    // The earlier station stays alive until the tree no longer points into it.
    const std::shared_ptr<pugi::xml_document> previous = state.gStationDocument;
    auto document = std::make_shared<pugi::xml_document>();
    pugi::xml_node station;
    // A message of the status bar, not a panel's text: it repaints its own place only,
    // where a panel would lay out and paint the whole window at every position.
    QStatusBar* progress = m_window.sbStatusBar();
    m_readContext.readingPosition = [this, progress](int32_t pos, int32_t last) {
        const QString text = german() ? QStringLiteral("Lese Position %1") : QStringLiteral("Reading position %1");
        const QString of = german() ? QStringLiteral(" von %1") : QStringLiteral(" of %1");
        progress->showMessage(text.arg(pos) + (last < 0 ? QString() : of.arg(last)));
    };
    const int32_t read = fReadStationFromDevice(*document, station, m_readContext, channel);
    m_readContext.readingPosition = {};
    progress->clearMessage(); // the steps after the station read are no position
    if (read != 0) {
        m_failure = m_readContext.readFailure;
        return false;
    }
    state.gStationDocument = document;
    state.gStationNode = station;

    ReadDeviceTextInfos(state.gStationNode, channel);
    if (ended())
        return false;
    m_window.RebuildStationTree();

    if (gCommon().AccessLevel() == 1 && context.gObjDevSrv) {
        int32_t status = 0;
        context.gObjDevSrv->AbolishProtection(channel, false, status);
        (void)status; // a coupler that keeps its protection is still read
        if (ended())
            return false;
    }

    fCheckDiagnosticData(m_window.logBox(), channel, m_readContext);
    if (ended())
        return false;

    bool monitoring = false;
    int32_t marker = 0;
    if (readMarker(channel, marker)) {
        monitoring = marker == OnlineMonitoringMarker;
        if (!monitoring) {
            disableOnlineMonitoring();
            const MonitoringTexts& texts = german() ? GermanMonitoring : EnglishMonitoring;
            logLine(texts.maybeNotSupported);
            logLine(texts.deactivated);
        }
    }

    // Zeroed first: a failed read must not decide on an earlier coupler's values.
    m_table9.fill(0);
    m_table0.fill(0);
    readImage(channel, 9, m_table9);
    for (size_t i = 0; i < m_table9.size(); ++i)
        m_table9Text[i] = QString::number(m_table9[i]);
    const bool blocking = fHasBlockingTerminal(m_table9);
    if (blocking)
        monitoring = false;
    readImage(channel, 0, m_table0);
    if (ended())
        return false;

    m_mappingRequested = fMappingWanted(monitoring, blocking, m_table0);
    if (m_mappingRequested)
        fCalculateMapping(channel);
    if (ended())
        return false;

    // A diagnostic copy; a folder we cannot write to just goes without it.
    (void)fSaveOwnerDocument(state.gStationNode, debugCopyPath());

    if (options.isChecked(2)) {
        if (options.isChecked(3)) {
            int32_t again = 0;
            if (readMarker(channel, again) && again != OnlineMonitoringMarker) {
                logLine(german() ? GermanMonitoring.maybeNotSupported
                                 : "Setup Mode: Maybe the feature is not automatically supported by this coupler-firmware.");
                // Both languages: an item left on would offer what the coupler cannot do.
                disableOnlineMonitoring();
            }
            if (ended())
                return false;
            m_window.RefreshStationGraph(true, 2);
        } else {
            m_window.RefreshStationGraph(true, 0);
        }
    }
    return true;
}

void LoginHandler::logOut()
{
    AppContext& context = app();
    ShellContext& state = shell();
    state.gStationNode = pugi::xml_node();
    m_window.RebuildStationTree();
    state.gStationDocument.reset(); // the tree no longer points into it
    if (gCommon().AccessLevel() == 1 && context.gObjDevSrv && context.gObjDevChannel) {
        int32_t status = 0;
        context.gObjDevSrv->AbolishProtection(context.gObjDevChannel, true, status);
        (void)status; // the log-out goes on whatever the coupler says
    }
    if (m_window.mnuOptionItem().isChecked(2))
        m_window.RefreshStationGraph(false, 0);
    CloseOtherForms();
}
