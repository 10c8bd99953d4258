#pragma once
// Our firmware server: reads an Intel HEX file and sends its image to the
// coupler over the channel with the firmware transfer services. Reports its
// progress in blocks while it sends; each call returns 0 or a code.
#include <QObject>
#include <QString>
#include <cstdint>

class IDeviceChannel;
struct FirmwareImage;

class FirmwareServer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A coupler in its boot-strap state. bootStrap and reserved carry no meaning here.
    int32_t LoadFirmware(IDeviceChannel* channel, const QString& path, bool bootStrap, int32_t reserved, bool events);
    // A running coupler; multiPoint is the coupler's address on a multipoint line.
    int32_t UpdateFirmware(IDeviceChannel* channel, const QString& path, int32_t reserved1, int32_t reserved2,
                           bool events, int32_t multiPoint);

    // Reads and checks the file; 0 or a fw::ServerResult.
    static int32_t readFirmwareFile(const QString& path, FirmwareImage& image);

Q_SIGNALS:
    void downloadStart(int32_t total);
    void downloadState(int32_t current, int32_t total);

private:
    int32_t download(IDeviceChannel* channel, const QString& path, uint8_t mode, int32_t multiPoint, bool events);
};
