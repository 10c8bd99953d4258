#pragma once
// The files a station reading builds descriptions from (the terminal resource
// table and the string table), loaded and reported at most once per read, and
// the station reader's log lines in the current language.
#include <QString>

struct DescriptionBuild;
struct StationReadContext;
struct TerminalResourceTable;

// The primary language the locale helper reports: 9 English, 7 German.
int32_t stationLocale();
// Appends a line to the log: English for 9, German for 7, an empty line otherwise.
void logStationLine(const QString& english, const QString& german);

// Forgets what the previous read loaded, so the next use loads afresh.
void resetStationResources(StationReadContext& context);

// The terminal resource table, loaded on first use in this read. When it cannot be
// loaded (reported once), the build is marked as not to be cached.
const TerminalResourceTable& stationTerminalResource(DescriptionBuild& build);

// Logs once per read that the string table is missing.
void reportMissingStringTable(StationReadContext& context);
