#pragma once
// Reads the coupler's diagnosis table once and writes the verdict into the log.
#include <cstdint>

class ILogBox;
class IDeviceChannel;
struct StationReadContext;

// Reads table 90, registers 0..64, of the coupler through channel (the current
// channel) and logs header, verdict and footer in the language GetLocale gives
// (9 English, 7 German, empty texts otherwise). A read the device refused logs one
// line with its code; a transport failure logs nothing (the caller reports the lost
// link). The result is kept in context.gRegResult. Returns 0.
int32_t fCheckDiagnosticData(ILogBox* logBox, IDeviceChannel* channel, StationReadContext& context);
