#include "modStartup.h"

#include "frmMain.h"
#include "frmSplash.h"

#include "channels/ChannelDialogSupport.h"
#include "channels/SerialChannelSettings.h"
#include "devices/DeviceFormat.h"
#include "platform/AppContext.h"
#include "platform/ChannelProtocol.h"
#include "platform/LocaleInfo.h"
#include "platform/RegularFile.h"
#include "platform/ResourceFiles.h"
#include "platform/StringTable.h"
#include "platform/modRefList.h"
#include "platform/VbConvert.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <cmath>

namespace {

constexpr float kMaxSplashSeconds = 10.0f; // a longer wait would keep the start-up notices from the user

// The start-up's settings under the company key; failures are ignored, as at every start.
// A stored value the program cannot use is replaced by its default and named once in the log.
class StartupSettings {
public:
    explicit StartupSettings(AppContext& context)
        : m_context(context)
        , m_registry(context.gObjRegistry.get())
        , m_key(context.common().CompanyRegKey())
    {
    }

    bool read(const QString& name, QString& value)
    {
        return m_registry && m_registry->ReadValue(HKEY_CURRENT_USER, m_key, name, value);
    }

    void write(const QString& name, const QString& value)
    {
        if (m_registry)
            (void)m_registry->WriteValue(HKEY_CURRENT_USER, m_key, name, value); // unchecked, as at every start
    }

    // Missing: the default is written and the value read again (nothing when that fails too).
    std::optional<QString> readOrWrite(const QString& name, const QString& defaultValue)
    {
        QString value;
        if (read(name, value))
            return value;
        write(name, defaultValue);
        value.clear();
        if (read(name, value))
            return value;
        return std::nullopt;
    }

    // A number within [minimum, maximum]; an unreadable value silently, an unusable one by name, gives the default.
    int32_t number(const QString& name, int32_t defaultValue, int32_t minimum, int32_t maximum)
    {
        const std::optional<QString> text = readOrWrite(name, QString::number(defaultValue));
        if (!text)
            return defaultValue;
        if (const std::optional<int32_t> n = storedNumber(*text, minimum, maximum))
            return *n;
        nameIgnored(name, *text, QStringLiteral("not a number from %1 to %2").arg(minimum).arg(maximum),
                    QStringLiteral("keine Zahl von %1 bis %2").arg(minimum).arg(maximum), QString::number(defaultValue));
        return defaultValue;
    }

    // One log line, once per value: the stored text, why (English, German), and what is used instead.
    void nameIgnored(const QString& name, const QString& stored, const QString& reasonEnglish,
                     const QString& reasonGerman, const QString& used)
    {
        const QString seen = name + QLatin1Char('=') + stored;
        if (m_context.reportedSettings.contains(seen))
            return;
        m_context.reportedSettings.insert(seen);
        m_context.logNotice([=, shown = quotableText(stored)] {
            return localeIsEnglish()
                ? QStringLiteral("Stored value \"%1\" = \"%2\" ignored (%3); %4 is used.\r\n").arg(name, shown, reasonEnglish, used)
                : QStringLiteral("Gespeicherter Wert \"%1\" = \"%2\" ignoriert (%3); %4 wird verwendet.\r\n")
                      .arg(name, shown, reasonGerman, used);
        });
    }

private:
    AppContext& m_context;
    IRegistryAccess* m_registry;
    QString m_key;
};

// A value that is no number skips its setter.
template <typename Setter>
void setNumeric(const QString& text, Setter setter)
{
    if (const std::optional<int32_t> n = vbCLng(text))
        setter(*n);
}

constexpr int32_t kSerialOptions = 48847; // 0xBECF, fixed
const QString kDefaultNetId = QStringLiteral("169.12.1.106.1.1");

// The splash time in seconds: "3" when missing (not written), 0 for no number, at most 10.
float splashSeconds(AppContext& context)
{
    StartupSettings settings(context);
    QString text;
    if (!settings.read(QStringLiteral("Splash"), text))
        text = QStringLiteral("3");
    const float seconds = vbCSng(text).value_or(0.0f);
    if (seconds <= kMaxSplashSeconds)
        return seconds;
    settings.nameIgnored(QStringLiteral("Splash"), text, QStringLiteral("more than 10 seconds"),
                         QStringLiteral("mehr als 10 Sekunden"), QString::number(kMaxSplashSeconds));
    return kMaxSplashSeconds;
}

} // namespace

void fInitCommon(AppContext& context)
{
    // A first start writes a dozen defaults: one save of the settings file, not one each.
    const RegistryBatch batch(context.store.get());
    clsCommon& common = context.common();
    StartupSettings settings(context);
    context.gOfflineStation = pugi::xml_node();

    QString access;
    if (!settings.read(QStringLiteral("AccessLevel"), access)) {
        common.setAccessLevel(2);
        context.gDevMode = false;
        settings.write(QStringLiteral("AccessLevel"), QStringLiteral("ACC_PRODUKTION"));
    } else if (access == QLatin1String("ACC_INSIDER")) {
        common.setAccessLevel(1);
        context.gDevMode = true;
    } else if (access == QLatin1String("ACC_PRODUKTION")) {
        common.setAccessLevel(2);
        context.gDevMode = false;
    } else {
        context.gDevMode = false; // level stays 0: not recognised
    }

    const QString programFolder = AppContext::programFolder();
    const QString defaultResources = programFolder + QStringLiteral("/Resource");
    QString path;
    if (!settings.read(QStringLiteral("PathResCommon"), path)) {
        common.setPathFolderResCommon(defaultResources);
    } else if (QFileInfo(path).isDir()) {
        common.setPathFolderResCommon(path);
    } else {
        // Descriptions and the reference list would be looked for where there is no folder.
        settings.nameIgnored(QStringLiteral("PathResCommon"), path, QStringLiteral("not a folder"),
                             QStringLiteral("kein Ordner"), QDir::toNativeSeparators(defaultResources));
        common.setPathFolderResCommon(defaultResources);
    }

    if (settings.read(QStringLiteral("PathResFirmware"), path)) {
        common.setPathFolderResFirmware(path);
    } else {
        path = programFolder + QStringLiteral("/Resource/Firmware");
        common.setPathFolderResFirmware(path);
        if (common.AccessLevel() == 1)
            settings.write(QStringLiteral("PathResFirmware"), path);
    }

    fInitDevChannel(context);
}

void fInitDevChannel(AppContext& context)
{
    const RegistryBatch batch(context.store.get());
    clsCommon& common = context.common();
    StartupSettings settings(context);

    const QString device = settings.readOrWrite(QStringLiteral("Device"), QStringLiteral("0")).value_or(QString());
    setNumeric(device, [&](int32_t v) { common.setDevChannel(v); });

    if (device == QLatin1String("0")) {
        const int32_t port = settings.number(QStringLiteral("Port"), 2, 1, kLastComPort);
        const int32_t baud = settings.number(QStringLiteral("Baud"), kDefaultBaud, kMinBaud, kMaxBaud);
        // Read (and defaulted) for the channel dialog; the channel does not take them.
        settings.readOrWrite(QStringLiteral("Parity"), QStringLiteral("Even"));
        settings.readOrWrite(QStringLiteral("DataBits"), QStringLiteral("8"));
        settings.readOrWrite(QStringLiteral("StopBits"), QStringLiteral("1"));
        settings.readOrWrite(QStringLiteral("VNxType"), QStringLiteral("RS232"));
        const int32_t timeout = settings.number(QStringLiteral("Timeout"), kDefaultTimeoutMs, kMinTimeoutMs, kMaxTimeoutMs);
        const int32_t multiPoint = settings.number(QStringLiteral("MultiPoint"), kDefaultMultiPoint, 0, kMaxMultiPoint);

        if (!context.gObjDevCom && context.channelFactory)
            context.gObjDevCom = context.channelFactory->createSerialChannel();
        context.gObjDevChannel = context.gObjDevCom.get();
        auto* param = context.gObjDevCom
            ? dynamic_cast<ISerialChannelParam*>(context.gObjDevCom->GetDeviceParamObj())
            : nullptr;
        if (param) {
            param->SetBaud(baud);
            param->SetPort(port);
            param->SetTimeout(timeout);
            param->SetOptions(kSerialOptions);
            param->SetMultiPoint(multiPoint);
        }
    } else if (device == QLatin1String("1")) {
        const int32_t timeout = settings.number(QStringLiteral("Timeout"), kDefaultTimeoutMs, kMinTimeoutMs, kMaxTimeoutMs);
        settings.readOrWrite(QStringLiteral("MultiPoint"), QStringLiteral("0")); // not given to the network channel
        QString netId = settings.readOrWrite(QStringLiteral("QnpRtnNetId"), kDefaultNetId).value_or(kDefaultNetId);
        if (proto::NetId parsed; !proto::parseNetId(netId, parsed)) {
            settings.nameIgnored(QStringLiteral("QnpRtnNetId"), netId, QStringLiteral("not six numbers 0..255 joined by dots"),
                                 QStringLiteral("nicht sechs Zahlen 0..255 mit Punkten"), kDefaultNetId);
            netId = kDefaultNetId;
        }
        const int32_t port = settings.number(QStringLiteral("QnpRtnPort"), 100, 1, 65535);

        if (!context.m_objDevQnpObj && context.channelFactory)
            context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        context.gObjDevChannel = context.m_objDevQnpObj.get();
        auto* param = context.m_objDevQnpObj
            ? dynamic_cast<IQNPDeviceParam*>(context.m_objDevQnpObj->GetDeviceParamObj())
            : nullptr;
        if (param) {
            param->SetNetId(netId);
            param->SetPort(port);
            param->SetTimeout(timeout);
        }
    }
    // Any other kind chooses no channel: gObjDevChannel keeps what it held.

    if (!context.gObjDevSrv && context.channelFactory)
        context.gObjDevSrv = context.channelFactory->createDeviceService();
}

frmMain* Main(AppContext& context)
{
    fInitCommon(context);
    clsCommon& common = context.common();
    // What copies of the program killed while writing left behind is cleared away.
    removeStaleTempFiles({context.store ? context.store->rootFolder() : QString(), fDeviceDescriptionFolder()});

    // A monotonic clock: a start just before midnight must not stretch the wait.
    QElapsedTimer started;
    started.start();

    const float seconds = splashSeconds(context);
    // Without a wait the splash would only be built, painted and hidden again at once.
    std::unique_ptr<frmSplash> splash;
    if (seconds > 0) {
        splash = std::make_unique<frmSplash>(common.CompanyID(), common.PathFolderResCommon());
        splash->show();
        splash->repaint();
    }

    QPointer<frmMain> window = new frmMain;
    window->show();
    if (splash)
        splash->raise(); // stays above the main window also where no window manager keeps it on top
    // Connected now: what is logged during the splash wait is kept.
    context.gLogBox = window->logBox();
    // Before the wait, so a long one keeps nothing from the user, such as a settings file set aside.
    AppendLogText(context.gLogBox,
                  QStringLiteral("Welcome to ") + LoadResString(common.CompanyID() * 100 + 6) + QStringLiteral(" !\r\n"));
    if (context.gDevMode)
        AppendLogText(context.gLogBox, QStringLiteral("Developer mode!\r\n"));
    // A damaged settings file or a resource found nowhere, met before there was a log, is reported now.
    context.flushNotices();
    if (context.store)
        context.store->setDamageReporter([&context](const QString& message) { AppendLogText(context.gLogBox, message); });

    fLoadRefList(resourceFile(common.PathFolderResCommon(), QStringLiteral("RefList.xml")));

    // Waits in the event loop: the main window paints meanwhile, but takes no input (a close comes after).
    const double remaining = double(seconds) * 1000.0 - double(started.elapsed());
    // A main window closed meanwhile ends the wait, and with it the program.
    const auto closed = [&window] { return !window || !window->isVisible(); };
    if (remaining > 0 && context.dialogs)
        context.dialogs->WaitUntil(int(std::ceil(remaining)), closed);

    splash.reset();
    if (closed()) {
        if (context.store)
            context.store->setDamageReporter({});
        context.gLogBox = nullptr;
        delete window;
        return nullptr;
    }
    return window;
}
