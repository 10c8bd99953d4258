#pragma once
// Helpers for the description tests: a fresh program with its own description
// cache, and flat texts of a description's views and tables to compare.
#include "common/TestEnv.h"
#include "devices/DeviceFormat.h"
#include "devices/StationReadContext.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <pugixml.hpp>

inline QString xmlAttr(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.attribute(name).value());
}

inline QString xmlChildText(const pugi::xml_node& node, const char* name)
{
    return QString::fromUtf8(node.child(name).text().get());
}

// One line per view, depth-first: two blanks per level, then the five attributes.
// The station's devices as "Pos:Name:SelCompID".
inline QStringList stationDevices(const pugi::xml_node& station)
{
    QStringList out;
    for (const pugi::xml_node& d : station.child("Devices").children("Device"))
        out << xmlAttr(d, "Pos") + QLatin1Char(':') + xmlAttr(d, "Name") + QLatin1Char(':')
                + xmlChildText(d, "SelCompID");
    return out;
}

inline pugi::xml_node stationDevice(const pugi::xml_node& station, int pos)
{
    for (const pugi::xml_node& d : station.child("Devices").children("Device"))
        if (xmlAttr(d, "Pos") == QString::number(pos))
            return d;
    return {};
}

inline void collectViews(const pugi::xml_node& parent, int depth, QStringList& out)
{
    for (const pugi::xml_node& view : parent.children("View")) {
        out << QString(depth * 2, QLatin1Char(' '))
                + QStringList{xmlAttr(view, "Desc1031"), xmlAttr(view, "Desc1033"), xmlAttr(view, "Icon"),
                              xmlAttr(view, "ProgID"), xmlAttr(view, "UserData")}
                      .join(QLatin1Char('|'));
        collectViews(view, depth + 1, out);
    }
}

inline QStringList viewLines(const pugi::xml_node& device)
{
    QStringList out;
    collectViews(device.child("CfgTool").child("Views"), 0, out);
    return out;
}

// "Number/Length" per Table, in order.
inline QStringList tableLines(const pugi::xml_node& device)
{
    QStringList out;
    for (const pugi::xml_node& table : device.child("Tables").children("Table"))
        out << xmlAttr(table, "Number") + QLatin1Char('/') + xmlAttr(table, "Length");
    return out;
}

// A program whose description cache lies in a temporary folder.
struct DescriptionEnv {
    TestEnv env;
    StationReadContext ctx;
    DescriptionEnv()
    {
        gCommon().setPathFolderResCommon(env.tempPath() + QStringLiteral("/res"));
        QDir().mkpath(env.tempPath() + QStringLiteral("/res/Devices"));
        ctx.debugFolder = env.tempPath() + QStringLiteral("/debug");
        QDir().mkpath(ctx.debugFolder);
    }
    QString cachePath(const QString& name) const { return fDeviceDescriptionPath(name); }
    bool cached(const QString& name) const { return QFile::exists(cachePath(name)); }
    QStringList cachedNames() const
    {
        QStringList names = QDir(fDeviceDescriptionFolder()).entryList({QStringLiteral("*.xml")}, QDir::Files);
        for (QString& n : names)
            n.chop(4);
        names.sort();
        return names;
    }
};
