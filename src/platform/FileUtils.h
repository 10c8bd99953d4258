#pragma once
// Station-file save dialog and the file-existence test.
#include <QString>

// Asks for a station file (*.tdt) to save to. sFile receives the path when the user
// confirms and stays unchanged on cancel; the result is True in both cases.
bool ShowSaveStationDialog(QString& sFile);

// True when sPath names an existing normal file (no folder, no hidden file); a name
// with wildcards is true when any normal file matches it.
bool fFileExists(const QString& sPath);

