#pragma once
// Identifies the connected coupler: reads its tables 0 and 9 and its firmware
// word into the context and composes its device name.
#include <QString>

class IDeviceChannel;
struct StationReadContext;

// Fills context.gRegTable0 (registers 50..109, 200..255), gTermTable (0..254) and
// gFirmwareWord, all zeroed first, and gives the name ("Unknown" when the coupler
// gives no type number). The naming rules also change T, R246 and R250 in the images.
// Returns 0, or the code of the first read that failed or was refused (then recorded in
// context.readFailure, and name stays empty).
int32_t fReadCouplerName(IDeviceChannel* channel, QString& name, StationReadContext& context);
