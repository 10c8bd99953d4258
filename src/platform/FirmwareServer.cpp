#include "FirmwareServer.h"

#include "DeviceChannel.h"
#include "FirmwareProtocol.h"
#include "IntelHex.h"

#include <QFile>

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

int32_t FirmwareServer::readFirmwareFile(const QString& path, FirmwareImage& image)
{
    QFile file(path);
    // A firmware file is a few hundred kilobytes; anything far larger is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 8 * fw::kMaxImageSize)
        return fw::ResFileUnreadable;
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fw::ResFileUnreadable;
    return readIntelHex(text, image);
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
    if (const int32_t rc = readFirmwareFile(path, image); rc != 0)
        return rc;
    if (!channel)
        return ChNotOpen;

    QByteArray reply;
    QByteArray begin;
    begin.append(char(mode));
    appendLE(begin, uint32_t(multiPoint), 2);
    appendLE(begin, uint32_t(image.bytes.size()), 4);
    if (const int32_t rc = noData(channel->ServiceRequest(fw::SvcBegin, begin, reply), reply); rc != ChOk)
        return rc;

    const int32_t total = int32_t((image.bytes.size() + fw::kBlockSize - 1) / fw::kBlockSize);
    if (events)
        Q_EMIT downloadStart(total);
    for (int32_t block = 0; block < total; ++block) {
        const qsizetype offset = qsizetype(block) * fw::kBlockSize;
        QByteArray request;
        appendLE(request, uint32_t(offset), 4);
        request.append(image.bytes.sliced(offset, std::min<qsizetype>(fw::kBlockSize, image.bytes.size() - offset)));
        if (const int32_t rc = noData(channel->ServiceRequest(fw::SvcBlock, request, reply), reply); rc != ChOk)
            return rc;
        if (events)
            Q_EMIT downloadState(block + 1, total);
    }

    QByteArray end;
    appendLE(end, qChecksum(image.bytes), 2);
    const int32_t rc = channel->ServiceRequest(fw::SvcEnd, end, reply);
    if (rc == ChOk && reply.size() != 2)
        return ChBadFrame;
    return rc;
}
