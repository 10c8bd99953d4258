#include "clsProject.h"

#include "platform/AppContext.h"
#include "platform/BusyScope.h"
#include "platform/DeviceChannel.h"
#include "platform/LocaleInfo.h"
#include "platform/LogBox.h"

#include <array>

namespace {
constexpr int kProbeTries = 4;
}

QString clsProject::portNotOpenedText(const QString& port)
{
    const QString text = localeIsEnglish() ? QStringLiteral("Port could not be opened")
                                           : QStringLiteral("Schnittstelle konnte nicht geöffnet werden");
    return port.isEmpty() ? text : text + QStringLiteral(": ") + port;
}

QString clsProject::noChannelText(const QString& device)
{
    return localeIsEnglish()
        ? QStringLiteral("No communication channel is chosen (stored \"Device\" is \"%1\"). "
                         "Choose one under Options > Communication channel.")
              .arg(device)
        : QStringLiteral("Kein Kommunikationskanal gewählt (gespeichertes \"Device\" ist \"%1\"). "
                         "Bitte unter Optionen > Kommunikationskanal einen wählen.")
              .arg(device);
}

QString clsProject::probeFailedText(int attempt, int32_t code)
{
    if (code == ChTimeout)
        return QString::number(attempt) + QStringLiteral(" Timeout");
    const bool english = localeIsEnglish();
    QString what;
    if (code == ChNoDevice) // the net id or the port is wrong, which no Timeout setting mends
        what = english ? QStringLiteral("No device with this net id and port")
                       : QStringLiteral("Kein Gerät mit dieser Net-Id und diesem Port");
    else if (channelResultText(code) == QStringLiteral("error %1").arg(code)) // a device's own code: no name to give
        what = english ? QStringLiteral("Error") : QStringLiteral("Fehler");
    else
        what = channelResultText(code, english);
    what[0] = what[0].toUpper();
    return QStringLiteral("%1 %2 (%3 %4)")
        .arg(QString::number(attempt), what, english ? QStringLiteral("code") : QStringLiteral("Code"), QString::number(code));
}

void clsProject::setOnline(bool value)
{
    if (value == m_online)
        return;
    // The handler lets window messages run; the main window must not free the channel meanwhile.
    const BusyScope busy;
    if (value)
        LogIn();
    else
        LogOut();
}

void clsProject::LogIn()
{
    IDeviceChannel* channel = app().gObjDevChannel;
    if (!channel) {
        // A channel kind the program has no channel for: the user has to choose one.
        QString device;
        if (app().gObjRegistry)
            (void)app().gObjRegistry->ReadValue(HKEY_CURRENT_USER, gCommon().CompanyRegKey(), QStringLiteral("Device"),
                                                device); // unread, the text stays empty
        AppendLogText(app().gLogBox, noChannelText(quotableText(device)) + QStringLiteral("\r\n"));
        return;
    }
    // Without an open port nothing was logged in to: stay offline and say why.
    if (channel->PortOpen() != 0) {
        AppendLogText(app().gLogBox, portNotOpenedText(channel->PortName()) + QStringLiteral("\r\n"));
        return;
    }
    std::array<int32_t, 3> buffer{};
    for (int attempt = 0; attempt < kProbeTries; ++attempt) {
        const int32_t rc = channel->VbRegSyncReadReq(0, 9, 0, 2, buffer);
        if (rc == 0) {
            m_online = true;
            Q_EMIT ProjectStateChangeOnline(m_online);
            // A handler whose station read failed has set the field back: offline, port closed.
            // Taken afresh: the handler may have replaced the channel.
            if (IDeviceChannel* current = app().gObjDevChannel; !m_online && current)
                current->PortClose();
            return;
        }
        AppendLogText(app().gLogBox, probeFailedText(attempt, rc) + QStringLiteral("\r\n"));
    }
    // No coupler answered: leave the port closed so the next log-in starts afresh.
    channel->PortClose();
}

void clsProject::LogOut()
{
    IDeviceChannel* channel = app().gObjDevChannel;
    if (gCommon().AccessLevel() == 1 && channel && app().gObjDevSrv) {
        int32_t status = 0;
        app().gObjDevSrv->AbolishProtection(channel, true, status);
        (void)status; // a coupler that cannot restore its protection still lets us log out
    }
    m_online = false;
    Q_EMIT ProjectStateChangeOnline(m_online);
    // The handler may have replaced the channel; close the one that is current now.
    if (IDeviceChannel* current = app().gObjDevChannel)
        current->PortClose();
}
