#include "FirmwareServer.h"

#include "DeviceChannel.h"
#include "FirmwareProtocol.h"
#include "IntelHex.h"
#include "RegularFile.h"

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
    case FileRead::TooLarge: return fw::ResImageSize;
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
    FirmwareImage image;
    if (const int32_t rc = readFirmwareFile(path, image, &m_errorLine); rc != 0)
        return rc;
    if (!channel)
        return ChNotOpen;
    // The address is one byte on the line; a cut-down one would update another station.
    if (multiPoint < 0 || multiPoint > kMaxMultiPoint)
        return ChBadArgument;

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
    if (rc == ChOk && reply.size() != 2)
        return ChBadFrame;
    return rc;
}
