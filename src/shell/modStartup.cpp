#include "modStartup.h"

#include "frmMain.h"
#include "frmSplash.h"

#include "platform/AppContext.h"
#include "platform/ResourceFiles.h"
#include "platform/StringTable.h"
#include "platform/modRefList.h"
#include "platform/VbConvert.h"

#include <QElapsedTimer>
#include <QPointer>
#include <cmath>
#include <limits>

namespace {

// The start-up's settings under the company key; failures are ignored, as at every start.
class StartupSettings {
public:
    explicit StartupSettings(AppContext& context)
        : m_registry(context.gObjRegistry.get())
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

    // Missing: the default is written and the value read again (empty when that fails too).
    QString readOrWrite(const QString& name, const QString& defaultValue)
    {
        QString value;
        if (read(name, value))
            return value;
        write(name, defaultValue);
        value.clear();
        read(name, value);
        return value;
    }

private:
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

} // namespace

void fInitCommon(AppContext& context)
{
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
    QString path;
    if (settings.read(QStringLiteral("PathResCommon"), path))
        common.setPathFolderResCommon(path);
    else
        common.setPathFolderResCommon(programFolder + QStringLiteral("/Resource"));

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
    clsCommon& common = context.common();
    StartupSettings settings(context);

    const QString device = settings.readOrWrite(QStringLiteral("Device"), QStringLiteral("0"));
    setNumeric(device, [&](int32_t v) { common.setDevChannel(v); });

    if (device == QLatin1String("0")) {
        const QString port = settings.readOrWrite(QStringLiteral("Port"), QStringLiteral("2"));
        const QString baud = settings.readOrWrite(QStringLiteral("Baud"), QStringLiteral("19200"));
        // Read (and defaulted) for the channel dialog; the channel does not take them.
        settings.readOrWrite(QStringLiteral("Parity"), QStringLiteral("Even"));
        settings.readOrWrite(QStringLiteral("DataBits"), QStringLiteral("8"));
        settings.readOrWrite(QStringLiteral("StopBits"), QStringLiteral("1"));
        settings.readOrWrite(QStringLiteral("VNxType"), QStringLiteral("RS232"));
        const QString timeout = settings.readOrWrite(QStringLiteral("Timeout"), QStringLiteral("500"));
        const QString multiPoint = settings.readOrWrite(QStringLiteral("MultiPoint"), QStringLiteral("0"));

        if (!context.gObjDevCom && context.channelFactory)
            context.gObjDevCom = context.channelFactory->createSerialChannel();
        context.gObjDevChannel = context.gObjDevCom.get();
        auto* param = context.gObjDevCom
            ? dynamic_cast<ISerialChannelParam*>(context.gObjDevCom->GetDeviceParamObj())
            : nullptr;
        if (param) {
            setNumeric(baud, [&](int32_t v) { param->SetBaud(v); });
            setNumeric(port, [&](int32_t v) { param->SetPort(v); });
            setNumeric(timeout, [&](int32_t v) { param->SetTimeout(v); });
            param->SetOptions(kSerialOptions);
            setNumeric(multiPoint, [&](int32_t v) { param->SetMultiPoint(v); });
        }
    } else if (device == QLatin1String("1")) {
        const QString timeout = settings.readOrWrite(QStringLiteral("Timeout"), QStringLiteral("500"));
        settings.readOrWrite(QStringLiteral("MultiPoint"), QStringLiteral("0")); // not given to the network channel
        const QString netId = settings.readOrWrite(QStringLiteral("QnpRtnNetId"), QStringLiteral("169.12.1.106.1.1"));
        const QString port = settings.readOrWrite(QStringLiteral("QnpRtnPort"), QStringLiteral("100"));

        if (!context.m_objDevQnpObj && context.channelFactory)
            context.m_objDevQnpObj = context.channelFactory->createQnpChannel();
        context.gObjDevChannel = context.m_objDevQnpObj.get();
        auto* param = context.m_objDevQnpObj
            ? dynamic_cast<IQNPDeviceParam*>(context.m_objDevQnpObj->GetDeviceParamObj())
            : nullptr;
        if (param) {
            param->SetNetId(netId);
            setNumeric(port, [&](int32_t v) { param->SetPort(v); });
            setNumeric(timeout, [&](int32_t v) { param->SetTimeout(v); });
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

    // A monotonic clock: a start just before midnight must not stretch the wait.
    QElapsedTimer started;
    started.start();

    auto splash = std::make_unique<frmSplash>(common.CompanyID(), common.PathFolderResCommon());
    splash->show();
    splash->repaint();

    QPointer<frmMain> window = new frmMain;
    window->show();
    splash->raise(); // stays above the main window also where no window manager keeps it on top
    // Connected now: what is logged during the splash wait is kept.
    context.gLogBox = window->logBox();

    fLoadRefList(resourceFile(common.PathFolderResCommon(), QStringLiteral("RefList.xml")));

    QString splashText;
    if (!context.gObjRegistry
        || !context.gObjRegistry->ReadValue(HKEY_CURRENT_USER, common.CompanyRegKey(), QStringLiteral("Splash"),
                                            splashText))
        splashText = QStringLiteral("3");
    const float seconds = vbCSng(splashText).value_or(0.0f);
    // Waits in the event loop: the main window paints meanwhile, but takes no input (a close comes after).
    const double remaining = double(seconds) * 1000.0 - double(started.elapsed());
    // A main window closed meanwhile ends the wait, and with it the program.
    const auto closed = [&window] { return !window || !window->isVisible(); };
    if (remaining > 0 && context.dialogs)
        context.dialogs->WaitUntil(int(std::min(std::ceil(remaining), double(std::numeric_limits<int>::max()))),
                                   closed);

    splash.reset();
    if (closed()) {
        context.gLogBox = nullptr;
        delete window;
        return nullptr;
    }

    AppendLogText(context.gLogBox,
                  QStringLiteral("Welcome to ") + LoadResString(common.CompanyID() * 100 + 6) + QStringLiteral(" !\r\n"));
    if (context.gDevMode)
        AppendLogText(context.gLogBox, QStringLiteral("Developer mode!\r\n"));

    // A damaged settings file or a resource found nowhere, met before there was a log, is reported now.
    context.flushNotices();
    if (context.store)
        context.store->setDamageReporter([&context](const QString& message) { AppendLogText(context.gLogBox, message); });
    return window;
}
