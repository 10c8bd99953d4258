#pragma once
// A log-in as far as the devices layer goes: the virtual coupler on its serial
// line, the program's own serial channel opened to it, an empty description cache.
#include "common/VirtualCoupler.h"
#include "devices/DescriptionTestUtil.h"
#include "devices/modStationRead.h"
#include "platform/SerialChannel.h"

struct E2eStation {
    DescriptionEnv desc;
    VirtualCoupler coupler;
    SerialChannel channel;
    pugi::xml_document doc;
    pugi::xml_node station;

    bool start(const QString& stationFile, const QStringList& options = {})
    {
        channel.PortClose();
        if (!coupler.start(stationFile, options))
            return false;
        auto* param = dynamic_cast<ISerialChannelParam*>(channel.GetDeviceParamObj());
        if (!param)
            return false;
        param->SetPort(coupler.comNumber());
        param->SetBaud(19200);
        param->SetTimeout(500);
        if (channel.PortOpen() != 0)
            return false;
        app().gObjDevChannel = &channel;
        return true;
    }
    ~E2eStation()
    {
        if (AppContext::current())
            app().gObjDevChannel = nullptr;
        channel.PortClose();
    }

    // Reads the station; returns the requests the coupler saw during this read.
    QStringList read()
    {
        const qsizetype before = coupler.requests().size();
        fReadStationFromDevice(doc, station, desc.ctx);
        return coupler.requests().mid(before);
    }

    QStringList devices() const { return stationDevices(station); }
    pugi::xml_node device(int pos) const { return stationDevice(station, pos); }
};

// The request lines of a read without results: "read 3 0 11 1".
inline QStringList withoutResults(const QStringList& requests)
{
    QStringList out;
    for (const QString& r : requests)
        out << r.section(QLatin1String(" = "), 0, 0);
    return out;
}
