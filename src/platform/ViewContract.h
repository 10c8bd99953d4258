#pragma once
// What every view, dialog and tool form offers the main window: RefreshData
// with the device's (or station's) element, the channel and a parameter text
// (the params XML for views, the company name for channel dialogs, the mode
// for the firmware dialog). Callers ignore any result.
#include <QString>
#include <pugixml.hpp>

class IDeviceChannel;

class IRefreshData {
public:
    virtual ~IRefreshData() = default;
    virtual void RefreshData(pugi::xml_node node, IDeviceChannel* channel, const QString& param) = 0;
};
