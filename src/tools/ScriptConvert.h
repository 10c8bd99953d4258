#pragma once
// Conversion of old INI-style scripts (terminal *.tsi, coupler *.csi) into the
// XML script layout, line by line as the runners' files are written: CR LF
// after every line but the closing "</Script>".
#include <QDateTime>
#include <QString>

class IniProfile;

// The file name without folder, cut before its first "."; "" when the name has no ".".
QString scriptBaseName(const QString& path);
// "<date> <time>" for the Build comment, in the system's short date form.
QString scriptBuildStamp(const QDateTime& when);

// The most a conversion may give: far above a script for every table of a coupler or
// every key of a terminal, and still quick to show. A file of countless sections, read
// within its own size limit, gives no script.
inline constexpr qsizetype kMaxScriptChars = 1024 * 1024;

// Section "Initialisierung", keys Init1..Init1001 (gaps allowed), each "offset,value".
// registerCount, when given, receives the number of registers written. Both converters
// give "" when the script would be longer than kMaxScriptChars.
QString TSIinXML(const IniProfile& ini, const QString& baseName, const QString& buildStamp,
                 int* registerCount = nullptr);
// One table per section but "" and "Init" (number: the name from its fifth character on),
// keys Init1..Init5 of each.
QString CSIinXML(const IniProfile& ini, const QString& baseName, const QString& buildStamp,
                 int* registerCount = nullptr);
