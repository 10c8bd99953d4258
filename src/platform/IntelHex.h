#pragma once
// Reads a firmware file in Intel HEX format into one contiguous image.
#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

struct FirmwareImage {
    uint32_t base = 0;  // address of the first byte
    QByteArray bytes;   // gaps between records are filled with 0xFF
};

// 0, or fw::ResHexFormat (also for data over bytes an earlier record set),
// fw::ResHexChecksum, fw::ResImageSize or fw::ResFileEmpty; errorLine (1-based)
// names the offending line, 0 for an empty text. The image is set only on success.
int32_t readIntelHex(QByteArrayView text, FirmwareImage& image, int* errorLine = nullptr);
