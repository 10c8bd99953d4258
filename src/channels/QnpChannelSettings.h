#pragma once
// The network (QNP) channel's settings as its two dialogs keep them: the
// registry texts, the installation checks, the target choice rules and the
// connection test, free of widgets so tests can call them directly.
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class IDeviceChannel;
class IQNPDeviceParam;
class IRegistryAccess;

struct QnpChannelSettings {
    QString Timeout;
    QString MultiPoint;
    QString QnpRtnNetId;
    QString QnpRtnPort;
};

struct QnpSettingDefault {
    const char* name;
    const char* defaultText;
    QString QnpChannelSettings::*field;
};

// The four values in load and save order, with the text written when one is missing.
inline const std::array<QnpSettingDefault, 4> kQnpSettings{{
    {"Timeout", "500", &QnpChannelSettings::Timeout},
    {"MultiPoint", "0", &QnpChannelSettings::MultiPoint},
    {"QnpRtnNetId", "127.0.0.1.1.1", &QnpChannelSettings::QnpRtnNetId},
    {"QnpRtnPort", "100", &QnpChannelSettings::QnpRtnPort},
}};

// What is installed of the protocol library and the runtimes (values found under HKLM).
struct QnpInstallFlags {
    QString ForceTcpIp; // empty when absent
    bool library = false;
    bool runtime2 = false;
    bool runtime3 = false;
};

// Reads the four values; a missing one gets its default written and is read again.
void LoadChannelSettings(IRegistryAccess& registry, const QString& key, QnpChannelSettings& settings);
// Writes Device "1" (the network channel), then the four values in order; false when
// any of them could not be saved (all are tried).
bool SaveChannelSettings(IRegistryAccess& registry, const QString& key, const QnpChannelSettings& settings);
// PortClose, then Timeout, Port and NetId; the multipoint address stays in the dialog.
void InitComPort(IDeviceChannel* channel, IQNPDeviceParam* param, const QnpChannelSettings& settings);

// The runtime 3 check is made only when asked for.
QnpInstallFlags ReadInstallFlags(IRegistryAccess& registry, bool withRuntime3);

// The route options of the plain dialog: enabled states (nothing: unchanged)
// and the option to select (-1: none). 0 is the router, 1 direct TCP/IP.
struct RouteOptionState {
    std::optional<bool> routerEnabled;
    std::optional<bool> directEnabled;
    int selected = -1;
};
RouteOptionState routeOptionRule(const QnpInstallFlags& flags);

// The port that goes with a route name: "28928" for names beginning "HQ" or "WQ", else "100".
QString portForRouteName(const QString& name);

// A row of the plain dialog's device box: the name padded to 20 characters
// (and followed by at least one blank), then the net id.
QString remoteDeviceRow(const QString& name, const QString& netId);
// The last blank-separated word of a row (the whole text when it has no blank).
QString lastWord(const QString& row);

// The fields of a line of the plain dialog's route list (name, net id and address
// joined by TABs). Net id and address are taken from the right, so a name that
// another tool stored with a TAB in it stays whole.
struct RouteLineFields {
    QString name, netId, address;
};
RouteLineFields splitRouteLine(const QString& line);

// Where each TAB-separated part of a list line begins (0 for the first), given the
// parts' widths and the tab stops: as in a list box with tab stops, a part begins at
// the first stop beyond the end of the part before it; past the last stop, stops
// follow at the last interval.
QList<int> tabStopColumns(const QList<int>& widths, const QList<int>& stops);

// The port text as a port number 1..65535; nothing when it is not one.
std::optional<int> qnpPortNumber(const QString& text);

// Opens the port and reads the coupler's table 9 up to four times (see
// TestCouplerConnection). readsFailed tells a port that opened but got no
// answer from a port that did not open.
int32_t TestQnpConnection(IDeviceChannel* channel, const std::function<void()>& letEventsRun, bool& readsFailed);
