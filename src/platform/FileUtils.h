#pragma once
// Station-file save dialog, the file-existence test and the writing of files
// the program can write again.
#include <QByteArrayView>
#include <QString>

// Asks for a station file (*.tdt) to save to. sFile receives the path when the user
// confirms and stays unchanged on cancel; the result is True in both cases.
bool ShowSaveStationDialog(QString& sFile);

// True when sPath names an existing normal file (no folder, no hidden file); a name
// with wildcards is true when any normal file matches it.
bool fFileExists(const QString& sPath);

// Writes bytes to a new file beside path and renames it over path once complete, so a
// reader never sees half a file. Not forced to disk: for files the program can write
// again (the description cache, diagnostic copies), where waiting for the disk at every
// log-in would cost more than a rebuild after a power cut.
bool writeRebuildableFile(const QString& path, QByteArrayView bytes);
