#pragma once
// The identifier word of a terminal and the names the station reading gives it.
#include <QString>
#include <cstdint>

// A terminal identifier decoded in one of the two layouts. kind: 1 inputs only,
// 2 outputs only, 3 both, 0 none stated; width is 0 in the controller layout.
struct TerminalIdDecode {
    bool digital = false;
    int kind = 0;
    int inCount = 0;
    int outCount = 0;
    int width = 0;
};

// Standard layout: bit 15 marks digital, bits 8-14 the width, bits 0-1 the kind.
// Controller layout (box stations): a word below 256 with bit 7 clear is digital;
// the counts come from bits 0-4. An identifier of 0 is never digital.
TerminalIdDecode decodeTerminalId(int32_t id, bool controllerLayout);

// Counts of a word from bits 0-4 only: unit 8 when bit 4 is set, else 2.
void decodeBoxChannelCounts(int32_t id, int& inCount, int& outCount);

// Name of a digital terminal. compactBox / extensionStation: the station kind.
QString fDigitalTerminalName(int32_t id, bool compactBox, bool extensionStation);

// Name of any other terminal from its type number and its extension register
// (65535 taken as 0), with the TM -> TW renames applied.
QString fOtherTerminalName(int32_t id, int32_t extension, bool boxStation);

// Digital names that stand for several channel layouts (the generic box names and
// one name an extension station shares with standard stations); their descriptions
// are rebuilt at every read so a cached one never belongs to another layout.
bool isMultiLayoutDigitalName(const QString& name);
