#pragma once
// The coupler's side of the firmware transfer: begin, blocks in order, end
// with the image's CRC; in load mode only while in the boot-strap state.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct FirmwareFaults {
    int failBlock = 0;     // 1-based block number that is refused; 0 none
    int failBlockCode = 0; // its answer
};

class FirmwareTarget {
public:
    FirmwareTarget(bool bootStrap, FirmwareFaults faults);

    bool bootStrap() const { return m_bootStrap; }

    struct Outcome {
        int32_t result = 0;
        QByteArray replyData;
        QString what;                   // for the trace
        std::optional<uint16_t> installed; // the new firmware word after a completed transfer
        bool leftBootStrap = false;     // a completed load: the coupler starts the new firmware
    };
    Outcome service(uint8_t svc, const QByteArray& data);

private:
    Outcome begin(const QByteArray& data);
    Outcome block(const QByteArray& data);
    Outcome end(const QByteArray& data);

    bool m_bootStrap;
    FirmwareFaults m_faults;
    bool m_active = false;
    uint8_t m_mode = 0;
    QByteArray m_image;
    qsizetype m_received = 0;
    int m_blocks = 0;
};
