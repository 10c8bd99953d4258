#include "modLogin.h"

#include "ShellContext.h"
#include "frmMain.h"
#include "modTextInfos.h"
#include "modViewDispatch.h"

#include "devices/CouplerDiagnosis.h"
#include "devices/modStationRead.h"
#include "platform/AppContext.h"
#include "platform/Hourglass.h"
#include "platform/RegularFile.h"

#include <QLabel>
#include <algorithm>
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

bool fSaveOwnerDocument(pugi::xml_node node, const QString& path)
{
    if (!node || path.isEmpty())
        return false;
    const pugi::xml_node document = node.root();
    std::ostringstream text;
    if (document.first_child().type() != pugi::node_declaration)
        text << "<?xml version=\"1.0\"?>\n";
    document.print(text, "\t", pugi::format_default, pugi::encoding_utf8);
    const std::string bytes = text.str();
    return writeRegularFile(path, QByteArrayView(bytes.data(), qsizetype(bytes.size())));
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
    if (ILogBox* box = m_window.logBox())
        box->SetText(QString());
    AppendLogText(app().gLogBox, online ? QStringLiteral("Online\r\n") : QStringLiteral("Offline\r\n"));
    if (QLabel* panel = m_window.statusPanel(2))
        panel->setText(online ? QStringLiteral("Online ") : QStringLiteral("Offline"));
    m_window.fUpdateMenuState();
    CloseOtherForms();
    if (online)
        logIn();
    else
        logOut();
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

void LoginHandler::logIn()
{
    AppContext& context = app();
    ShellContext& state = shell();
    IDeviceChannel* channel = context.gObjDevChannel;
    MenuArray& options = m_window.mnuOptionItem();

    if (options.isChecked(5) && !m_deviceFileQuestionAsked)
        askDeviceFileQuestion();

    // The earlier station stays alive until the tree no longer points into it.
    const std::shared_ptr<pugi::xml_document> previous = state.gStationDocument;
    auto document = std::make_shared<pugi::xml_document>();
    pugi::xml_node station;
    fReadStationFromDevice(*document, station, m_readContext);
    state.gStationDocument = document;
    state.gStationNode = station;

    ReadDeviceTextInfos(state.gStationNode);
    m_window.RebuildStationTree();

    if (gCommon().AccessLevel() == 1 && context.gObjDevSrv && channel) {
        int32_t status = 0;
        context.gObjDevSrv->AbolishProtection(channel, false, status);
        (void)status; // a coupler that keeps its protection is still read
    }

    fCheckDiagnosticData(m_window.logBox(), channel, m_readContext);

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

    m_mappingRequested = fMappingWanted(monitoring, blocking, m_table0);
    if (m_mappingRequested)
        fCalculateMapping();

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
            m_window.RefreshStationGraph(true, 2);
        } else {
            m_window.RefreshStationGraph(true, 0);
        }
    }
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
