#pragma once
// The behaviour of the virtual coupler behind both transports: registers,
// write protection, reboot, cycle-time measurement, injected faults and the
// request trace.
#include "Firmware.h"
#include "RegisterRules.h"
#include "SettingsGuard.h"
#include "Station.h"

#include <QElapsedTimer>
#include <QFile>
#include <map>
#include <set>

struct Faults {
    bool silent = false;
    int failFirstReads = 0;
    int failFirstCode = 0;                     // 0: those reads get no answer
    std::map<std::pair<int, int>, int> failTable; // (pos, table) -> code for every read
    std::map<std::pair<int, int>, int> failWrite; // (pos, table) -> code for every write
    std::set<int> garbleReplies;               // 1-based reply numbers
    std::set<int> truncateReplies;
    int delayMs = 0;
    int dropAfter = -1;                        // QNP: the link is dropped at request dropAfter + 1
    RegisterFaults registers;
    FirmwareFaults firmware;
};

enum class Transport { Serial, Qnp };

struct Outcome {
    QByteArray frame; // the reply frame; empty: say nothing
    bool drop = false;
};

class Coupler {
public:
    Coupler(Station station, Faults faults);

    bool openTrace(const QString& path);
    const Station& station() const { return m_station; }
    int delayMs() const { return m_faults.delayMs; }

    // One request frame addressed to this coupler.
    Outcome handle(Transport transport, const proto::Frame& request);
    // A QNP request for another net id or port; the router answers for the coupler.
    void traceNoDevice(const proto::Envelope& envelope);
    void trace(const QString& line);

private:
    int32_t read(const proto::RegisterRequest& request, std::vector<uint16_t>& values);
    int32_t write(const proto::RegisterRequest& request);
    int32_t service(uint8_t service, const QByteArray& data, QByteArray& replyData, QString& what);
    RegisterTable* findTable(int pos, int table);
    void refreshInputs(RegisterTable& table);
    void sampleCycleTime(RegisterTable& table);
    void fillDirectory(std::vector<uint16_t>& regs) const;
    bool rebooting() const;
    int32_t firmwareService(uint8_t service, const QByteArray& data, QByteArray& replyData, QString& what);

    Station m_station;
    RunningImages m_images{m_station};
    Faults m_faults;
    QFile m_trace;
    FirmwareTarget m_firmware;
    QElapsedTimer m_clock;
    qint64 m_rebootUntil = -1;
    bool m_protected = true; // on at power-up and after every reboot
    bool m_cycleActive = false;
    uint64_t m_cycleSum = 0;
    uint32_t m_cycleCount = 0;
    uint32_t m_noise = 12345;
    int m_reads = 0;
    int m_replies = 0;
    int m_requests = 0;
};
