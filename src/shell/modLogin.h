#pragma once
// What follows a log-in or log-out: status texts, reading the station, the
// coupler diagnosis, the online-monitoring check, the mapping decision, the
// debug copy, the station tree and the station graph.
#include "devices/StationReadContext.h"
#include "platform/RegularFile.h"

#include <QString>
#include <array>
#include <cstdint>
#include <pugixml.hpp>

class frmMain;

// The coupler's answer in table 0 register 244 when its firmware supports online monitoring.
inline constexpr int32_t OnlineMonitoringMarker = 0x5E3B;

// True when the coupler type (element 0 of the table-9 image) is one whose
// terminal 9558 rules out online monitoring and the mapping, and such a
// terminal is in the list. Compares the first four characters of the decimal texts.
bool fHasBlockingTerminal(const std::array<int32_t, 256>& table9);

// The mapping decision: no blocking terminal, and either monitoring is
// available or one of table-0 registers 3 to 6 has bit 6 or bit 7 set.
bool fMappingWanted(bool monitoringAvailable, bool blockingTerminal, const std::array<int32_t, 256>& table0);

// Writes the document owning node to path (UTF-8); a failure also when there is no node.
FileWrite fSaveOwnerDocument(pugi::xml_node node, const QString& path);

// The log line of a log-in that a failed request ended: what was read and the code.
QString fLoginFailureText(const ChannelFailure& failure, bool english);

class LoginHandler {
public:
    explicit LoginHandler(frmMain& window);

    // The handler of clsProject's online event, run inside the Online assignment.
    void TD4Project_ProjectStateChangeOnline(bool& online);

    StationReadContext& readContext() { return m_readContext; }
    bool deviceFileQuestionAsked() const { return m_deviceFileQuestionAsked; }
    const std::array<int32_t, 256>& table9Image() const { return m_table9; }
    const std::array<int32_t, 256>& table0Image() const { return m_table0; }
    // Whether the last log-in handed the station to the mapping server.
    bool mappingRequested() const { return m_mappingRequested; }
    // The request that ended the last log-in (code 0 when it succeeded).
    const ChannelFailure& loginFailure() const { return m_failure; }
    // Where the diagnostic copy of each log-in's station goes.
    QString debugCopyPath() const;

private:
    bool logIn(IDeviceChannel& device); // false when a failed request ended it (m_failure)
    void endFailedLogIn(bool& online);
    void logOut();
    bool german() const;
    void askDeviceFileQuestion();
    void disableOnlineMonitoring();

    frmMain& m_window;
    StationReadContext m_readContext;
    bool m_deviceFileQuestionAsked = false; // not reset at log-out: asked once per window
    std::array<int32_t, 256> m_table9{};    // coupler table 9: type number, then the terminal list
    std::array<int32_t, 256> m_table0{};    // coupler table 0
    std::array<QString, 256> m_table9Text;  // decimal texts of the table-9 image
    bool m_mappingRequested = false;
    ChannelFailure m_failure;
};
