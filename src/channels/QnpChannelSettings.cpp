#include "QnpChannelSettings.h"

#include "ChannelDialogSupport.h"
#include "SerialChannelSettings.h"
#include "platform/DeviceChannel.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/VbConvert.h"

#include <QStringList>
#include <algorithm>

namespace {
int32_t numberOf(const QString& text) { return vbRound(vbVal(text)); }
}

void LoadChannelSettings(IRegistryAccess& registry, const QString& key, QnpChannelSettings& settings)
{
    for (const QnpSettingDefault& s : kQnpSettings)
        (void)readSettingText(registry, key, QString::fromLatin1(s.name), QString::fromLatin1(s.defaultText),
                              settings.*s.field); // a value that cannot be read keeps what it held
}

bool SaveChannelSettings(IRegistryAccess& registry, const QString& key, const QnpChannelSettings& settings)
{
    bool saved = registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Device"), QStringLiteral("1"));
    for (const QnpSettingDefault& s : kQnpSettings)
        saved &= registry.WriteValue(HKEY_CURRENT_USER, key, QString::fromLatin1(s.name), settings.*s.field);
    return saved;
}

void InitComPort(IDeviceChannel* channel, IQNPDeviceParam* param, const QnpChannelSettings& settings)
{
    if (channel)
        (void)channel->PortClose(); // closing a closed port is no failure worth telling
    if (!param)
        return;
    param->SetTimeout(numberOf(settings.Timeout));
    param->SetPort(numberOf(settings.QnpRtnPort));
    param->SetNetId(settings.QnpRtnNetId);
}

QnpInstallFlags ReadInstallFlags(IRegistryAccess& registry, bool withRuntime3)
{
    QnpInstallFlags flags;
    QString ignored;
    flags.library = registry.ReadValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Harmsted\\CvQnpDll"),
                                       QStringLiteral("ForceTcpIp"), flags.ForceTcpIp);
    if (!flags.library)
        flags.ForceTcpIp.clear();
    flags.runtime2 = registry.ReadValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Harmsted\\Corvane"),
                                        QStringLiteral("InstallationPath"), ignored);
    if (withRuntime3)
        flags.runtime3 = registry.ReadValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Harmsted\\Corvane3"),
                                            QStringLiteral("CorvaneDir"), ignored);
    return flags;
}

RouteOptionState routeOptionRule(const QnpInstallFlags& flags)
{
    RouteOptionState s;
    if (flags.runtime2 && flags.library) {
        if (flags.ForceTcpIp == QLatin1String("1")) {
            s.routerEnabled = false;
            s.directEnabled = true;
            s.selected = 1;
        } else if (flags.ForceTcpIp == QLatin1String("0")) {
            s.routerEnabled = true;
            s.directEnabled = false;
            s.selected = 0;
        }
    } else if (flags.library) {
        s.directEnabled = true;
        s.selected = 1;
    } else if (flags.runtime2) {
        s.routerEnabled = true;
        s.selected = 0;
    }
    return s;
}

QString portForRouteName(const QString& name)
{
    const QString start = name.left(2);
    return start == QLatin1String("HQ") || start == QLatin1String("WQ") ? QStringLiteral("28928") : QStringLiteral("100");
}

QString remoteDeviceRow(const QString& name, const QString& netId)
{
    // A long name still needs a blank before the net id, or the row's last word misses it.
    QString padded = name.leftJustified(20);
    if (name.size() >= 20)
        padded += QLatin1Char(' ');
    return padded + netId;
}

QString lastWord(const QString& row)
{
    const qsizetype blank = row.lastIndexOf(QLatin1Char(' '));
    return blank < 0 ? row : row.mid(blank + 1);
}

RouteLineFields splitRouteLine(const QString& line)
{
    QStringList parts = line.split(QLatin1Char('\t'));
    RouteLineFields fields;
    if (parts.size() >= 3)
        fields.address = parts.takeLast();
    if (parts.size() >= 2)
        fields.netId = parts.takeLast();
    fields.name = parts.join(QLatin1Char('\t'));
    return fields;
}

QList<int> tabStopColumns(const QList<int>& widths, const QList<int>& stops)
{
    QList<int> columns;
    if (widths.isEmpty())
        return columns;
    const int lastStop = stops.isEmpty() ? 0 : stops.last();
    const int interval = stops.size() >= 2 ? lastStop - stops[stops.size() - 2] : std::max(lastStop, 1);
    columns << 0;
    for (qsizetype i = 1; i < widths.size(); ++i) {
        const int end = columns.last() + widths[i - 1];
        int stop = lastStop;
        for (int s : stops)
            if (s > end) {
                stop = s;
                break;
            }
        while (stop <= end)
            stop += interval;
        columns << stop;
    }
    return columns;
}

std::optional<int> qnpPortNumber(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

int32_t TestQnpConnection(IDeviceChannel* channel, const std::function<void()>& letEventsRun, bool& readsFailed)
{
    readsFailed = false;
    if (!channel)
        return ChNotOpen;
    const int32_t opened = channel->PortOpen();
    if (opened != ChOk)
        return opened;
    // The port is open now; opening it again inside the test is no new connection.
    const int32_t r = TestCouplerConnection(channel, letEventsRun);
    readsFailed = r != ChOk;
    return r;
}
