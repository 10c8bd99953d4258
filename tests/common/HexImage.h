#pragma once
// Intel HEX texts for the firmware tests: single records and whole images.
#include <QByteArray>
#include <cstdint>

inline QByteArray hexRecord(uint8_t type, uint16_t address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8));
    bytes.append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    bytes.append(char(uint8_t(-sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

inline QByteArray hexEndRecord() { return hexRecord(1, 0, {}); }

// The bytes of an image of size bytes whose first word is the firmware word.
inline QByteArray imageBytes(int size, uint16_t firmwareWord)
{
    QByteArray image(size, '\0');
    image[0] = char(firmwareWord & 0xFF);
    if (size > 1)
        image[1] = char(firmwareWord >> 8);
    for (int i = 2; i < size; ++i)
        image[i] = char(i * 7);
    return image;
}

// That image at address 0 in data records of recordSize bytes, with an extended linear
// address record before each 64 KiB.
inline QByteArray hexImage(int size, uint16_t firmwareWord, int recordSize = 16)
{
    const QByteArray image = imageBytes(size, firmwareWord);
    QByteArray text;
    for (int at = 0; at < size; at += recordSize) {
        if (at > 0 && at % 0x10000 < recordSize)
            text += hexRecord(4, 0, QByteArray(1, char(at >> 24)) + char((at >> 16) & 0xFF));
        text += hexRecord(0, uint16_t(at & 0xFFFF), image.mid(at, recordSize));
    }
    return text + hexEndRecord();
}
