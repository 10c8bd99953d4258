#pragma once
// The serial channel's settings as the serial channel dialog keeps them:
// registry texts under the per-user settings key, the COM port scan and the
// connection test, free of widgets so tests can call them directly.
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

class IDeviceChannel;
class IRegistryAccess;
class ISerialChannelParam;

struct SerialChannelSettings {
    QString Port;
    QString Baud;
    QString Parity;
    QString DataBits;
    QString StopBits;
    QString VNxType;
    QString Timeout;
    QString MultiPoint;
};

struct SerialSettingDefault {
    const char* name;
    const char* defaultText;
    QString SerialChannelSettings::*field;
};

// The eight values in load and save order, with the text written when one is missing.
inline const std::array<SerialSettingDefault, 8> kSerialSettings{{
    {"Port", "2", &SerialChannelSettings::Port},
    {"Baud", "19200", &SerialChannelSettings::Baud},
    {"Parity", "Even", &SerialChannelSettings::Parity},
    {"DataBits", "8", &SerialChannelSettings::DataBits},
    {"StopBits", "1", &SerialChannelSettings::StopBits},
    {"VNxType", "RS232", &SerialChannelSettings::VNxType},
    {"Timeout", "500", &SerialChannelSettings::Timeout},
    {"MultiPoint", "0", &SerialChannelSettings::MultiPoint},
}};

// The options word every serial set-up pushes into the channel.
inline constexpr int32_t kSerialChannelOptions = 48847;
inline constexpr int kLastComPort = 64;
// The baud rates a serial line can be set to (the span of the system's standard rates).
inline constexpr int32_t kMinBaud = 50;
inline constexpr int32_t kMaxBaud = 4000000;
// What the channel runs with when the stored baud rate is none of these.
inline constexpr int32_t kDefaultBaud = 19200;

// The fixed choices of the dialog's boxes.
QStringList serialBaudRates();
QStringList serialDataBits();
QStringList serialParities();
QStringList serialStopBits();
QStringList serialInterfaceTypes();

// Reads the eight values; a missing one gets its default written and is read
// again. A value that still cannot be read leaves its field as it was.
void LoadChannelSettings(IRegistryAccess& registry, const QString& key, SerialChannelSettings& settings);

// Writes Device "0" (the serial channel), then the eight values in order; false when
// any of them could not be saved (all are tried).
bool SaveChannelSettings(IRegistryAccess& registry, const QString& key, const SerialChannelSettings& settings);

// Pushes the settings into the channel: PortClose, then Baud, Port, Timeout,
// Options and MultiPoint. Either pointer may be null; that part is passed over.
void InitComPort(IDeviceChannel* channel, ISerialChannelParam* param, const SerialChannelSettings& settings);

// "COM<n>" for a port number.
QString comPortEntry(int port);
// The number after "COM" in a port box text; nothing usable gives 0.
int comPortNumber(const QString& entry);

struct ComPortScan {
    QStringList ports; // "COM<n>" for each port that opened, in ascending order
    int chosen = 0;    // the port pushed into the parameter object; 0 when none was listed
    bool storedFound = false;
};

// Tries COM1..COM64 on the channel and lists the ports that open (PortOpen
// gives 0), closing each again; then selects the stored port when it was
// listed, otherwise the first listed one.
ComPortScan ScanComPorts(IDeviceChannel* channel, ISerialChannelParam* param, int storedPort);

// Opens the port and reads table 9, registers 0 and 1, of the coupler up to
// four times, stopping at the first success; letEventsRun is called before
// the second, third and fourth read. Returns 0 only after a successful read;
// otherwise the open's code or the last read's code. The port stays open.
int32_t TestCouplerConnection(IDeviceChannel* channel, const std::function<void()>& letEventsRun);
