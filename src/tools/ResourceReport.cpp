#include "ResourceReport.h"

#include "platform/ProgramVersion.h"
#include "platform/XmlDocument.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QVersionNumber>
#include <pugixml.hpp>

namespace {

enum class Source { OwnResource, QtLibrary, QtPlugin, Pugixml };

struct Component {
    const char* name;
    Source source;
    const char* folder; // plugin kind, or the resource's subfolder
};

// What is installed with the program and used by it; the virtual coupler and the benchmarks are not.
const std::array<Component, 21> kComponents = {{
    {"libQt6Core.so.6", Source::QtLibrary, nullptr},
    {"libQt6Gui.so.6", Source::QtLibrary, nullptr},
    {"libQt6Widgets.so.6", Source::QtLibrary, nullptr},
    {"libQt6Network.so.6", Source::QtLibrary, nullptr},
    {"libQt6SerialPort.so.6", Source::QtLibrary, nullptr},
    {"libQt6DBus.so.6", Source::QtLibrary, nullptr},
    {"libQt6XcbQpa.so.6", Source::QtLibrary, nullptr},
    {"libQt6OpenGL.so.6", Source::QtLibrary, nullptr},
    {"libqxcb.so", Source::QtPlugin, "platforms"},
    {"libqoffscreen.so", Source::QtPlugin, "platforms"},
    {"libqminimal.so", Source::QtPlugin, "platforms"},
    {"libqgif.so", Source::QtPlugin, "imageformats"},
    {"libqico.so", Source::QtPlugin, "imageformats"},
    {"libqjpeg.so", Source::QtPlugin, "imageformats"},
    {"libqgtk3.so", Source::QtPlugin, "platformthemes"},
    {"StringTable.txt", Source::OwnResource, nullptr},
    {"RefList.xml", Source::OwnResource, nullptr},
    {"TerminalResource.xml", Source::OwnResource, nullptr},
    {"Splash0Id0.bmp", Source::OwnResource, "Graph"},
    {"Findfile.gif", Source::OwnResource, "Graph"},
    {"libpugixml.so.1", Source::Pugixml, nullptr},
}};

QString pugixmlVersion()
{
    // 1.11 and later count major * 1000 + minor * 10, earlier major * 100 + minor * 10.
    constexpr int v = PUGIXML_VERSION;
    return v >= 1000 ? fileVersionText(v / 1000, (v % 1000) / 10, 0, 0) : fileVersionText(v / 100, (v % 100) / 10, 0, 0);
}

QString qtVersion()
{
    const QVersionNumber v = QLibraryInfo::version();
    return fileVersionText(uint32_t(v.majorVersion()), uint32_t(v.minorVersion()), uint32_t(v.microVersion()), 0);
}

bool exists(const QString& folder, const QString& name)
{
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(name)).isFile();
}

// "a.b.c.0" from a shared library's full name ("libQt6Xml.so.6.4.2"); empty without one.
QString versionFromLibraryName(const QString& fileName)
{
    static const QRegularExpression soVersion(QStringLiteral("\\.so((?:\\.\\d{1,5}){1,4})$"));
    const QRegularExpressionMatch m = soVersion.match(fileName);
    if (!m.hasMatch())
        return {};
    const QStringList parts = m.captured(1).mid(1).split(QLatin1Char('.'));
    std::array<uint32_t, 4> v{};
    for (qsizetype i = 0; i < parts.size(); ++i)
        v[size_t(i)] = std::min<uint32_t>(parts[i].toUInt(), 0xFFFF);
    return fileVersionText(v[0], v[1], v[2], v[3]);
}

// A name a saved report added: the file in the program folder or beside the Qt libraries.
// A link names the library by its major version only; the file it resolves to has the rest.
QString extraFileVersion(const QString& fileName, const VersionPlaces& places)
{
    // A bare file name only: a report must not reach into other folders.
    if (fileName.isEmpty() || fileName.contains(QLatin1Char('/')) || fileName == QLatin1String(".")
        || fileName == QLatin1String(".."))
        return kNoVersionInfo;
    for (const QString& folder : {places.programFolder, places.qtLibraries}) {
        if (!exists(folder, fileName))
            continue;
        const QString resolved = QFileInfo(QFileInfo(QDir(folder).filePath(fileName)).canonicalFilePath()).fileName();
        const QString version = versionFromLibraryName(resolved);
        if (!version.isEmpty())
            return version;
        // Files we install beside the program carry the program's version.
        return folder == places.programFolder ? programVersionText() : kNoVersionInfo;
    }
    return kNoVersionInfo;
}

} // namespace

QString fileVersionText(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
    const auto part = [](uint32_t v) { return QString::number(v & 0xFFFF); };
    return part(a) + QLatin1Char('.') + part(b) + QLatin1Char('.') + part(c) + QLatin1Char('.') + part(d);
}

VersionPlaces VersionPlaces::installed()
{
    VersionPlaces places;
    places.qtLibraries = QLibraryInfo::path(QLibraryInfo::LibrariesPath);
    places.qtPlugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    return places;
}

const std::array<const char*, 21>& fixedComponentNames()
{
    static const std::array<const char*, 21> names = [] {
        std::array<const char*, 21> out{};
        for (size_t i = 0; i < kComponents.size(); ++i)
            out[i] = kComponents[i].name;
        return out;
    }();
    return names;
}

QString GetFileVersion(const QString& fileName, const VersionPlaces& places)
{
    for (const Component& c : kComponents) {
        if (fileName != QLatin1String(c.name))
            continue;
        switch (c.source) {
        case Source::OwnResource: {
            const QString folder = c.folder ? places.resourceFolder + QLatin1Char('/') + QLatin1String(c.folder)
                                            : places.resourceFolder;
            return exists(folder, fileName) ? programVersionText() : kNoVersionInfo;
        }
        case Source::QtLibrary:
            return exists(places.qtLibraries, fileName) ? qtVersion() : kNoVersionInfo;
        case Source::QtPlugin:
            return exists(places.qtPlugins + QLatin1Char('/') + QLatin1String(c.folder), fileName) ? qtVersion()
                                                                                                   : kNoVersionInfo;
        case Source::Pugixml: // installed beside the Qt libraries
            return exists(places.qtLibraries, fileName) ? pugixmlVersion() : kNoVersionInfo;
        }
    }
    return extraFileVersion(fileName, places);
}

QString SplitString(const QString& text, const QString& delimiter, int part)
{
    const qsizetype at = text.indexOf(delimiter, 0, Qt::CaseSensitive);
    if (delimiter.isEmpty() || at < 0)
        return QString();
    return part == 1 ? text.left(at) : text.mid(at + delimiter.size());
}

QString XMLschreiben(int32_t companyId, const QString& progVersion, const ReportSlots& names,
                     const ReportSlots& versions)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("<?xml version=\"1.0\" ?>") + crlf;
    text += QStringLiteral("<SESSION DESC1031=\"Resource Report\">") + crlf;
    if (companyId == 0 || companyId == 3) {
        for (int slot = 0; slot < kReportSlots; ++slot) {
            const QString name = slot == 0 ? (companyId == 3 ? QStringLiteral("IO-Planwerk.exe") : QStringLiteral("TD4700.exe"))
                                           : names[size_t(slot)];
            const QString version = slot == 0 ? progVersion : versions[size_t(slot)];
            text += QStringLiteral("\t<FILES FILENAME=\"") + xmlEscaped(name) + QStringLiteral("\" VERSION=\"")
                + xmlEscaped(version) + QStringLiteral("\"></FILES>") + crlf;
        }
    }
    text += QStringLiteral("</SESSION>");
    return text;
}

void VersionRefresh(QString fileText, ReportSlots& names)
{
    for (QString& name : names) {
        fileText = SplitString(fileText, QStringLiteral("FILENAME=\""), 2);
        // The name as written is escaped. A character XML cannot hold at all (read from
        // bytes, so never half a surrogate pair) becomes U+FFFD: the report stays savable.
        name = xmlDecodedText(SplitString(fileText, QStringLiteral("\" VERSION="), 1));
        for (QChar& c : name)
            if (!c.isSurrogate() && !isXmlText(QStringView(&c, 1)))
                c = QChar::ReplacementCharacter;
    }
}
