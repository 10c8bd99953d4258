#pragma once
// Writing and reading the files the program names itself or the user picks.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// Settings are forced to disk before they replace the old file. Files the program can
// write again (the description cache, diagnostic copies) are not: waiting for the disk at
// every log-in would cost more than a rebuild after a power cut.
enum class FileDurability { Synced, Rebuildable };

enum class FileWriteStatus { Written, WriteProtected, NotAFile, Failed };

// What a write came to; converts to true only when the new file is in place.
struct FileWrite {
    FileWriteStatus status = FileWriteStatus::Written;
    int error = 0; // the system's error number when Failed
    explicit operator bool() const { return status == FileWriteStatus::Written; }
};

// The one way the program writes a file. Writes data to a new file beside path, checks
// every write, the flush and fsync, and only then puts it in place in one step, so a
// reader sees the old file or the new one, never half of it; after any failure the
// temporary file is removed and the old file is as it was. A symbolic link is written
// through: the link stays and the file it names gets the data. A regular file whose
// owner may not write it (by its mode, which root does not bypass here) is refused, as
// is a folder, and a device or pipe that a link names (it lives elsewhere and is not the
// program's); one at the name itself is replaced. A file replaced keeps its mode.
// Temporary files that writers killed earlier left beside the file are removed first.
FileWrite writeRegularFile(const QString& path, QByteArrayView data, FileDurability durability = FileDurability::Synced);

// Why a write failed, for a message (in the language in force): "the disk is full";
// as a sentence of its own, "The disk is full.".
QString fileWriteFailureReason(const FileWrite& result);
QString fileWriteFailureSentence(const FileWrite& result);

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
