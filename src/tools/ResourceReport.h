#pragma once
// The version report's contents apart from its window: the fixed component
// list, the version of each file, the report text and its reading.
#include <QString>
#include <array>
#include <cstdint>

constexpr int kReportSlots = 33; // slot 0 the program, 1..21 the fixed list, 22..32 from a saved report
constexpr int kReportRows = 22; // slots 0..21 are shown
using ReportSlots = std::array<QString, kReportSlots>;

inline const QString kNoVersionInfo = QStringLiteral("Keine Information");

// Where the files of the list are looked for.
struct VersionPlaces {
    QString programFolder;  // our executables
    QString resourceFolder; // our resource files
    QString qtLibraries;
    QString qtPlugins;      // with the plugin kinds as subfolders
    static VersionPlaces installed();
};

// The 21 component files of slots 1..21.
const std::array<const char*, 21>& fixedComponentNames();

// "a.b.c.d" of the version of a file, each part 0..65535, or "Keine Information"
// when the file is not found or nothing is known of its version. A name outside
// the fixed list is looked for in the program folder, then beside the Qt
// libraries, and takes its version from the name it resolves to (libX.so.a.b.c).
QString GetFileVersion(const QString& fileName, const VersionPlaces& places);
// "a.b.c.d" with each part as an unsigned 16-bit number.
QString fileVersionText(uint32_t a, uint32_t b, uint32_t c, uint32_t d);

// Part 1: the text before the first delimiter; any other part: the text after
// it; "" when the delimiter does not occur.
QString SplitString(const QString& text, const QString& delimiter, int part);

// The report text (lines end in CR LF, none after </SESSION>); empty for companies other than 0 and 3.
QString XMLschreiben(int32_t companyId, const QString& progVersion, const ReportSlots& names,
                     const ReportSlots& versions);
// The file names of a saved report (its references resolved), slot by slot; slots past
// its last entry become "".
void VersionRefresh(QString fileText, ReportSlots& names);
