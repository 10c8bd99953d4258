#include "Firmware.h"

#include "platform/DeviceChannel.h"
#include "platform/FirmwareProtocol.h"

namespace {

uint32_t readLE(const QByteArray& data, qsizetype at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint32_t(uint8_t(data[at + i])) << (8 * i);
    return value;
}

} // namespace

FirmwareTarget::FirmwareTarget(bool bootStrap, FirmwareFaults faults)
    : m_bootStrap(bootStrap)
    , m_faults(faults)
{
}

FirmwareTarget::Outcome FirmwareTarget::service(uint8_t svc, const QByteArray& data)
{
    switch (svc) {
    case fw::SvcBegin: return begin(data);
    case fw::SvcBlock: return block(data);
    case fw::SvcEnd: return end(data);
    default: break;
    }
    Outcome out;
    out.what = QStringLiteral("service firmware %1").arg(svc);
    out.result = ChUnsupported;
    return out;
}

FirmwareTarget::Outcome FirmwareTarget::begin(const QByteArray& data)
{
    Outcome out;
    if (data.size() != 7) {
        out.what = QStringLiteral("service firmware begin");
        out.result = ChBadArgument;
        return out;
    }
    const uint8_t mode = uint8_t(data[0]);
    const uint32_t size = readLE(data, 3, 4);
    out.what = QStringLiteral("service firmware begin %1 %2 %3").arg(mode).arg(readLE(data, 1, 2)).arg(size);
    m_active = false;
    if (mode != fw::ModeUpdate && mode != fw::ModeLoad) {
        out.result = ChBadArgument;
        return out;
    }
    if ((mode == fw::ModeLoad) != m_bootStrap) {
        out.result = fw::ResWrongState;
        return out;
    }
    if (size == 0 || size > uint32_t(fw::kMaxImageSize)) {
        out.result = ChBadArgument;
        return out;
    }
    m_active = true;
    m_mode = mode;
    m_image = QByteArray(qsizetype(size), '\0');
    m_received = 0;
    m_blocks = 0;
    return out;
}

FirmwareTarget::Outcome FirmwareTarget::block(const QByteArray& data)
{
    Outcome out;
    const uint32_t offset = data.size() >= 4 ? readLE(data, 0, 4) : 0;
    const qsizetype length = data.size() - 4;
    out.what = QStringLiteral("service firmware block %1 %2").arg(offset).arg(std::max<qsizetype>(length, 0));
    if (!m_active) {
        out.result = fw::ResWrongState;
        return out;
    }
    ++m_blocks;
    if (m_blocks == m_faults.failBlock) {
        out.result = m_faults.failBlockCode;
        m_active = false; // a refused block ends the transfer; the old firmware stays
        return out;
    }
    if (length < 1 || length > fw::kBlockSize || qsizetype(offset) != m_received
        || m_received + length > m_image.size()) {
        out.result = fw::ResCheckFailed;
        m_active = false;
        return out;
    }
    std::copy(data.begin() + 4, data.end(), m_image.begin() + m_received);
    m_received += length;
    return out;
}

FirmwareTarget::Outcome FirmwareTarget::end(const QByteArray& data)
{
    Outcome out;
    out.what = QStringLiteral("service firmware end");
    if (!m_active) {
        out.result = fw::ResWrongState;
        return out;
    }
    m_active = false;
    if (data.size() != 2 || m_received != m_image.size() || readLE(data, 0, 2) != qChecksum(m_image)) {
        out.result = fw::ResCheckFailed;
        return out;
    }
    // The image carries its firmware word in its first two bytes.
    const uint16_t word = m_image.size() >= 2 ? uint16_t(readLE(m_image, 0, 2)) : uint16_t(uint8_t(m_image[0]));
    out.installed = word;
    out.replyData.append(char(word & 0xFF));
    out.replyData.append(char(word >> 8));
    if (m_mode == fw::ModeLoad) {
        m_bootStrap = false;
        out.leftBootStrap = true;
    }
    out.what += QStringLiteral(" %1").arg(word);
    return out;
}
