#include "SerialChannelSettings.h"

#include "platform/DeviceChannel.h"
#include "platform/RegistryAccess.h"
#include "platform/RegistryStore.h"
#include "platform/VbConvert.h"

namespace {
int32_t numberOf(const QString& text) { return vbRound(vbVal(text)); }
}

QStringList serialBaudRates()
{
    return {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"), QStringLiteral("57600")};
}

QStringList serialDataBits()
{
    return {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")};
}

QStringList serialParities() { return {QStringLiteral("Even"), QStringLiteral("Odd"), QStringLiteral("None")}; }

QStringList serialStopBits() { return {QStringLiteral("1"), QStringLiteral("2")}; }

QStringList serialInterfaceTypes() { return {QStringLiteral("RS232"), QStringLiteral("RS485")}; }

void LoadChannelSettings(IRegistryAccess& registry, const QString& key, SerialChannelSettings& settings)
{
    for (const SerialSettingDefault& s : kSerialSettings) {
        const QString name = QString::fromLatin1(s.name);
        QString text;
        if (!registry.ReadValue(HKEY_CURRENT_USER, key, name, text)) {
            registry.WriteValue(HKEY_CURRENT_USER, key, name, QString::fromLatin1(s.defaultText));
            if (!registry.ReadValue(HKEY_CURRENT_USER, key, name, text))
                continue; // the field keeps what it held
        }
        settings.*s.field = text;
    }
}

bool SaveChannelSettings(IRegistryAccess& registry, const QString& key, const SerialChannelSettings& settings)
{
    bool saved = registry.WriteValue(HKEY_CURRENT_USER, key, QStringLiteral("Device"), QStringLiteral("0"));
    for (const SerialSettingDefault& s : kSerialSettings)
        saved &= registry.WriteValue(HKEY_CURRENT_USER, key, QString::fromLatin1(s.name), settings.*s.field);
    return saved;
}

void InitComPort(IDeviceChannel* channel, ISerialChannelParam* param, const SerialChannelSettings& settings)
{
    if (channel)
        channel->PortClose();
    if (!param)
        return;
    param->SetBaud(numberOf(settings.Baud));
    param->SetPort(numberOf(settings.Port));
    param->SetTimeout(numberOf(settings.Timeout));
    param->SetOptions(kSerialChannelOptions);
    param->SetMultiPoint(numberOf(settings.MultiPoint));
}

QString comPortEntry(int port) { return QStringLiteral("COM%1").arg(port); }

int comPortNumber(const QString& entry)
{
    if (!entry.startsWith(QLatin1String("COM")))
        return 0;
    bool ok = false;
    const int n = entry.mid(3).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

ComPortScan ScanComPorts(IDeviceChannel* channel, ISerialChannelParam* param, int storedPort)
{
    ComPortScan scan;
    if (!channel || !param)
        return scan;
    for (int n = 1; n <= kLastComPort; ++n) {
        param->SetPort(n);
        if (channel->PortOpen() != ChOk)
            continue;
        scan.ports << comPortEntry(n);
        channel->PortClose();
        if (storedPort == n)
            scan.storedFound = true;
    }
    channel->PortClose();
    if (scan.storedFound)
        scan.chosen = storedPort;
    else if (!scan.ports.isEmpty())
        scan.chosen = comPortNumber(scan.ports.first());
    // With nothing listed the parameter object keeps the last port tried.
    if (scan.chosen > 0)
        param->SetPort(scan.chosen);
    return scan;
}

int32_t TestCouplerConnection(IDeviceChannel* channel, const std::function<void()>& letEventsRun)
{
    if (!channel)
        return ChNotOpen; // no channel never counts as a connection
    int32_t r = channel->PortOpen();
    if (r != ChOk)
        return r;
    // Success only on a read that answered: an open port alone proves no coupler.
    std::array<int32_t, 256> buffer{};
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (attempt > 0 && letEventsRun)
            letEventsRun();
        r = channel->VbRegSyncReadReq(0, 9, 0, 2, buffer);
        if (r == ChOk)
            break;
    }
    return r;
}
