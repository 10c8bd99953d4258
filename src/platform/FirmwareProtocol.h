#pragma once
// The firmware transfer services of our device protocol and their result
// codes (docs/protocol.md, "Firmware transfer"). Shared by the firmware
// server and the virtual coupler.
#include <cstdint>

namespace fw {

enum Service : uint8_t {
    SvcBegin = 0x20, // data: mode (1), multipoint (2), image size (4)
    SvcBlock = 0x21, // data: offset (4), 1..kBlockSize image bytes
    SvcEnd = 0x22,   // data: CRC-16 of the image (2); reply data: the new firmware word (2)
};

enum Mode : uint8_t {
    ModeUpdate = 1, // a running coupler
    ModeLoad = 2,   // a coupler in its boot-strap state
};

constexpr int kBlockSize = 512;
constexpr int kMaxImageSize = 1 << 20;

// Device answers beside the channel results of DeviceChannel.h.
enum DeviceResult : int32_t {
    ResWrongState = 0x100C, // load outside the boot-strap state, update inside it, block or end without begin
    ResCheckFailed = 0x100D, // a block out of order or past the image, or a CRC that does not match
};

// Results of the firmware server itself, before anything is sent.
enum ServerResult : int32_t {
    ResFileUnreadable = 0x1101,
    ResHexFormat = 0x1102,   // a line that is not an Intel HEX record
    ResHexChecksum = 0x1103, // a record whose checksum does not match
    ResImageSize = 0x1104,   // no data, or an image larger than kMaxImageSize
    ResFileTooLarge = 0x1105, // a text longer than any firmware file can be, refused unread
    ResFileEmpty = 0x1106,    // no bytes, or blank lines only
};

} // namespace fw
