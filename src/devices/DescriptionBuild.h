#pragma once
// What the sections of the description builder share while one description is built.
#include "StationReadContext.h"

#include <QString>
#include <cstdint>
#include <pugixml.hpp>
#include <span>

class IDeviceChannel;

struct DescriptionBuild {
    DescriptionBuild(StationReadContext& context, IDeviceChannel* ch) : ctx(context), channel(ch) {}

    StationReadContext& ctx;
    IDeviceChannel* channel;
    QString name;
    int32_t pos = 0;
    bool compactBox = false;       // the controller flag
    bool extensionStation = false;
    bool urCoupler = false;        // the sub-device value

    pugi::xml_node device; // Device
    pugi::xml_node views;  // Device/CfgTool/Views
    pugi::xml_node tables; // Device/Tables

    // Set when a device read of this build failed or was refused, or a resource it
    // needs was missing: the description is then used for this station but not
    // cached, so a passing fault is not frozen into the cache.
    bool readFailed = false;
    // The first read the device refused with an error code (for the log line).
    ChannelFailure refusal;

    // One register read through the build's channel; the result also goes to gRegResult.
    // A failed read leaves buffer untouched.
    int32_t read(int32_t position, int32_t table, int32_t first, int32_t count, std::span<int32_t> buffer);
    // A read the description depends on. "No such table" and a range answer are data
    // (the device has fewer tables or registers); any other failure marks the build
    // as not to be cached.
    int32_t readRequired(int32_t position, int32_t table, int32_t first, int32_t count, std::span<int32_t> buffer);
    // Marks the build as not to be cached because of result rc of that read.
    void markFailed(int32_t position, int32_t table, int32_t first, int32_t count, int32_t rc);
};

// True for the device's answers that say a table or register is not there.
bool isAbsenceAnswer(int32_t result);

// Appends a View with its five attributes under parent and returns it.
pugi::xml_node addView(pugi::xml_node parent, const QString& desc1031, const QString& desc1033, const QString& icon,
                       const QString& progId, const QString& userData);
// Appends a Table with Number and Length under parent and returns it.
pugi::xml_node addTable(pugi::xml_node parent, int32_t number, int32_t length);

void setXmlAttribute(pugi::xml_node node, const char* name, const QString& value);
void setXmlText(pugi::xml_node element, const QString& value);
