// Feeds arbitrary bytes to the firmware file reader.
#include "platform/FirmwareProtocol.h"
#include "platform/IntelHex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FirmwareImage image;
    int line = 0;
    const int32_t rc = readIntelHex(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), image, &line);
    if (rc == 0 && (image.bytes.isEmpty() || image.bytes.size() > fw::kMaxImageSize))
        __builtin_trap(); // a good image is never empty and never past the coupler's largest
    // A refusal names its line, unless it is about the whole file.
    if (rc != 0 && rc != fw::ResFileEmpty && rc != fw::ResFileTooLarge && line < 1)
        __builtin_trap();
    return 0;
}
