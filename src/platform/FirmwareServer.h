#pragma once
// Our firmware server: reads an Intel HEX file and sends its image to the
// coupler over the channel with the firmware transfer services. Reports its
// progress in bytes while it sends; each call returns 0 or a code.
#include <QObject>
#include <QString>
#include <cstdint>

class IDeviceChannel;
struct FirmwareImage;

// After an end request that got no usable answer: the coupler's firmware word (table 0,
// register 255), read once it answered again, against the image's.
struct FirmwareEndCheck {
    bool checked = false;
    int32_t endResult = 0;  // what the end request gave
    int32_t readResult = 0; // 0 when the firmware word was read
    uint16_t imageWord = 0;
    uint16_t deviceWord = 0;
    // An update reads the word before the transfer: a coupler that showed the image's word
    // then proves nothing by showing it now. A boot-strap coupler runs no firmware, so any
    // word it shows after a load is the image's doing.
    int32_t beforeResult = 0; // 0 when the word before was read (or in load mode)
    bool wordIsNew = false;   // the image's word was not the coupler's before the transfer
    bool installed() const { return checked && readResult == 0 && deviceWord == imageWord && wordIsNew; }
};

// A short readable name for a result of the firmware transfer (the server's own codes,
// the coupler's firmware answers, the channel's results), in English or German.
QString firmwareResultText(int32_t result, bool english);

class FirmwareServer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A coupler in its boot-strap state. bootStrap and reserved carry no meaning here.
    int32_t LoadFirmware(IDeviceChannel* channel, const QString& path, bool bootStrap, int32_t reserved, bool events);
    // A running coupler; multiPoint is the coupler's address on a multipoint line.
    int32_t UpdateFirmware(IDeviceChannel* channel, const QString& path, int32_t reserved1, int32_t reserved2,
                           bool events, int32_t multiPoint);

    // Reads and checks the file; 0 or a fw::ServerResult. errorLine (1-based) names the
    // line a format, checksum or size error was found in; 0 when no line is to blame.
    static int32_t readFirmwareFile(const QString& path, FirmwareImage& image, int* errorLine = nullptr);
    // The errorLine of the file read by the last LoadFirmware or UpdateFirmware.
    int lastErrorLine() const { return m_errorLine; }
    // How the last run's end was checked; not checked when its end was answered. A run whose
    // end was lost returns 0 when the coupler shows the image's word, else the end's code.
    const FirmwareEndCheck& lastEndCheck() const { return m_endCheck; }

Q_SIGNALS:
    // total and current count image bytes.
    void downloadStart(int32_t total);
    void downloadState(int32_t current, int32_t total);

private:
    int32_t download(IDeviceChannel* channel, const QString& path, uint8_t mode, int32_t multiPoint, bool events);

    int m_errorLine = 0;
    FirmwareEndCheck m_endCheck;
};
