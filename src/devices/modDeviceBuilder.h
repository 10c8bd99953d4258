#pragma once
// The device-description builder: fills the description template for one device
// name (coupler or terminal) and saves it in the description cache.
#include "platform/FailFastChannel.h"

#include <QString>
#include <cstdint>
#include <pugixml.hpp>

class IDeviceChannel;
struct StationReadContext;

struct BuiltDescription {
    pugi::xml_document doc;
    bool readFailed = false; // a device read failed: used for this station, not cached
    ChannelFailure refusal;  // the first read the device refused, if any
    bool saved = false;      // written to the cache
};

// Builds the description of name at pos (0 the coupler). compactBox receives the
// controller flag worked out from the coupler images; urCoupler is passed on to
// the sub-device. The description is saved unless a device read failed or the
// context holds descriptions until the end of a station read.
BuiltDescription fCreateDeviceDescription(IDeviceChannel* channel, const QString& name, int32_t pos, bool& compactBox,
                                          bool urCoupler, StationReadContext& context);

// The controller flag (compact-box station) and the extension-station flag from
// the coupler's kind word (register 246) and its type number.
void fClassifyCoupler(int32_t reg246, int32_t couplerType, bool& compactBox, bool& extensionStation);
