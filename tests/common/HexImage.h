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

// An image of size bytes at address 0 whose first word is the firmware word.
inline QByteArray hexImage(int size, uint16_t firmwareWord)
{
    QByteArray image(size, '\0');
    image[0] = char(firmwareWord & 0xFF);
    image[1] = char(firmwareWord >> 8);
    for (int i = 2; i < size; ++i)
        image[i] = char(i * 7);
    QByteArray text;
    for (int at = 0; at < size; at += 16)
        text += hexRecord(0, uint16_t(at), image.mid(at, 16));
    return text + hexEndRecord();
}
