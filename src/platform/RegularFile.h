#pragma once
// Writing the files the program names itself (settings, description cache, debug copies).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Settings are forced to disk before they replace the old file. Files the program can
// write again (the description cache, diagnostic copies) are not: waiting for the disk at
// every log-in would cost more than a rebuild after a power cut.
enum class FileDurability { Synced, Rebuildable };

// Writes data to path as a new regular file and puts it in place in one step, so a
// reader sees the old file or the new one, never half of it. A symbolic link or other
// non-regular file at path is replaced, never followed; a folder there is left alone
// (false). A regular file replaced keeps its permissions.
// Temporary files that writers killed earlier left beside path are removed first.
bool writeRegularFile(const QString& path, QByteArrayView data, FileDurability durability = FileDurability::Synced);

// Removes from each folder the hidden temporary files (".NAME.tmp-*") that writers killed
// before they finished left there; a running writer's file stays. Only regular files
// are removed, and a link is never followed.
void removeStaleTempFiles(const QStringList& folders);

enum class FileRead { Ok, Missing, NotRegular, TooLarge, Failed };

// Reads a regular file (also one built into the program, ":/..."), following links,
// if it holds at most maxBytes. Anything else is refused before a byte is read:
// a pipe or a device would never end, and a file the user picks can be of any size.
FileRead readRegularFile(const QString& path, QByteArray& data, qint64 maxBytes);

// The program's own files: true only for FileRead::Ok under a cap no real one reaches.
bool readRegularFile(const QString& path, QByteArray& data);
