#include "FirmwareServer.h"

#include "DeviceChannel.h"
#include "DeviceService.h"
#include "Dialogs.h"
#include "FirmwareProtocol.h"
#include "IntelHex.h"
#include "RegularFile.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

void appendLE(QByteArray& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// Begin and block replies carry no data; anything else is a garbled answer.
int32_t noData(int32_t rc, const QByteArray& reply)
{
    return (rc == ChOk && !reply.isEmpty()) ? int32_t(ChBadFrame) : rc;
}

constexpr int32_t kFirmwareWordRegister = 255;
constexpr int kRetryMs = 100;

// The coupler shows this word in table 0 once it runs the image.
uint16_t firmwareWord(const QByteArray& image)
{
    const auto b = [&](int i) { return uint16_t(uint8_t(image[i])); };
    return image.size() >= 2 ? uint16_t(b(0) | b(1) << 8) : b(0);
}

// Reads the firmware word until the coupler answers, for as long as a restart takes: a
// coupler that took the image starts the new firmware and is silent meanwhile. A read that
// started before the restart time was over may have been dropped by the restarting coupler,
// so the last read starts once that time is over.
void readWordAfterEnd(IDeviceChannel* channel, FirmwareEndCheck& check)
{
    QElapsedTimer clock;
    clock.start();
    qint64 longestFailure = 0;
    for (;;) {
        const qint64 startedAt = clock.elapsed();
        int32_t word[1] = {0};
        check.readResult = channel->VbRegSyncReadReq(0, 0, kFirmwareWordRegister, 1, word);
        if (check.readResult == ChOk) {
            check.deviceWord = uint16_t(word[0]);
            return;
        }
        const bool mayAnswer = isTransportFailure(check.readResult) || check.readResult == ChRebooting;
        if (!mayAnswer || startedAt >= kRestartMs)
            return;
        const qint64 now = clock.elapsed();
        longestFailure = std::max(longestFailure, now - startedAt);
        // A failure that came at once is no silent coupler: ask again a little later.
        qint64 pause = std::max<qint64>(0, kRetryMs - (now - startedAt));
        // A read that would still wait for its answer when the restart time is over is sent after it instead.
        if (now + pause < kRestartMs && now + pause + longestFailure > kRestartMs)
            pause = kRestartMs - now;
        if (pause > 0)
            QtDialogs().Wait(int(pause));
    }
}

} // namespace

QString firmwareResultText(int32_t result, bool english)
{
    const auto text = [english](const char* en, const char* de) { return QString::fromUtf8(english ? en : de); };
    switch (result) {
    case fw::ResWrongState:
        return text("the coupler is not in the state for this transfer", "der Koppler ist nicht im passenden Zustand");
    case fw::ResCheckFailed:
        return text("the coupler refused a block or the image", "der Koppler hat einen Block oder das Abbild abgewiesen");
    case fw::ResFileUnreadable:
        return text("the file cannot be read", "die Datei kann nicht gelesen werden");
    case fw::ResHexFormat:
        return text("not an Intel HEX record, data over an earlier record, or no end record",
                    "kein Intel-HEX-Datensatz, Daten über einem früheren Datensatz oder kein Endedatensatz");
    case fw::ResHexChecksum:
        return text("the record's checksum does not match", "die Prüfsumme des Datensatzes stimmt nicht");
    case fw::ResImageSize:
        return text("no data, or an image larger than 1 MiB", "keine Daten oder ein Abbild größer als 1 MiB");
    case fw::ResFileTooLarge:
        return text("the file is larger than 16 MiB, too large for a firmware file",
                    "die Datei ist größer als 16 MiB, zu groß für eine Firmware-Datei");
    case fw::ResFileEmpty:
        return text("the file is empty", "die Datei ist leer");
    default:
        return channelResultText(result, english);
    }
}

int32_t FirmwareServer::readFirmwareFile(const QString& path, FirmwareImage& image, int* errorLine)
{
    if (errorLine)
        *errorLine = 0;
    // The largest image in records of one byte each, with room to spare; a longer text
    // cannot be a firmware file the coupler takes. A pipe or a device is refused unread.
    constexpr qint64 maxText = 16LL * fw::kMaxImageSize;
    QByteArray text;
    switch (readRegularFile(path, text, maxText)) {
    case FileRead::Ok: break;
    case FileRead::TooLarge: return fw::ResFileTooLarge;
    default: return fw::ResFileUnreadable;
    }
    return readIntelHex(text, image, errorLine);
}

int32_t FirmwareServer::LoadFirmware(IDeviceChannel* channel, const QString& path, bool bootStrap, int32_t reserved,
                                     bool events)
{
    (void)bootStrap;
    (void)reserved;
    return download(channel, path, fw::ModeLoad, 0, events);
}

int32_t FirmwareServer::UpdateFirmware(IDeviceChannel* channel, const QString& path, int32_t reserved1,
                                       int32_t reserved2, bool events, int32_t multiPoint)
{
    (void)reserved1;
    (void)reserved2;
    return download(channel, path, fw::ModeUpdate, multiPoint, events);
}

int32_t FirmwareServer::download(IDeviceChannel* channel, const QString& path, uint8_t mode, int32_t multiPoint,
                                 bool events)
{
    // The whole file is checked before the first byte goes out: a bad file never half-loads a coupler.
    m_endCheck = {};
    FirmwareImage image;
    if (const int32_t rc = readFirmwareFile(path, image, &m_errorLine); rc != 0)
        return rc;
    if (!channel)
        return ChNotOpen;
    // The address is one byte on the line; a cut-down one would update another station.
    if (multiPoint < 0 || multiPoint > kMaxMultiPoint)
        return ChBadArgument;

    // Only a word that changes can prove an image went in when the end's answer is lost.
    FirmwareEndCheck check;
    check.imageWord = firmwareWord(image.bytes);
    check.wordIsNew = mode == fw::ModeLoad;
    if (mode == fw::ModeUpdate) {
        int32_t word[1] = {0};
        check.beforeResult = channel->VbRegSyncReadReq(0, 0, kFirmwareWordRegister, 1, word);
        // A coupler that does not answer now would not take the transfer: nothing is sent.
        if (isTransportFailure(check.beforeResult))
            return check.beforeResult;
        check.wordIsNew = check.beforeResult == ChOk && uint16_t(word[0]) != check.imageWord;
    }

    QByteArray reply;
    QByteArray begin;
    begin.append(char(mode));
    appendLE(begin, uint32_t(multiPoint), 2);
    appendLE(begin, uint32_t(image.bytes.size()), 4);
    if (const int32_t rc = noData(channel->ServiceRequest(fw::SvcBegin, begin, reply), reply); rc != ChOk)
        return rc;

    const auto total = int32_t(image.bytes.size());
    if (events)
        Q_EMIT downloadStart(total);
    for (qsizetype offset = 0; offset < image.bytes.size(); offset += fw::kBlockSize) {
        const QByteArrayView block
            = QByteArrayView(image.bytes).sliced(offset, std::min<qsizetype>(fw::kBlockSize, image.bytes.size() - offset));
        QByteArray request;
        appendLE(request, uint32_t(offset), 4);
        request.append(block);
        if (const int32_t rc = noData(channel->ServiceRequest(fw::SvcBlock, request, reply), reply); rc != ChOk)
            return rc;
        if (events)
            Q_EMIT downloadState(int32_t(offset + block.size()), total);
    }

    QByteArray end;
    appendLE(end, qChecksum(image.bytes), 2);
    const int32_t rc = channel->ServiceRequest(fw::SvcEnd, end, reply);
    if (rc == ChOk && reply.size() == 2)
        return ChOk;
    const int32_t endResult = rc == ChOk ? int32_t(ChBadFrame) : rc;
    if (!isLostAnswer(endResult))
        return endResult; // refused: the coupler keeps its old firmware
    // The whole image went out and the end may have been taken: the coupler's word tells.
    check.checked = true;
    check.endResult = endResult;
    readWordAfterEnd(channel, check);
    m_endCheck = check;
    return m_endCheck.installed() ? int32_t(ChOk) : endResult;
}
