#pragma once
// What a user or another program may leave at the name of a file the program
// writes itself: a link to a file elsewhere, a link to nothing, a named pipe.
#include <QFile>
#include <QString>
#include <sys/stat.h>

enum class HostileFile { LinkElsewhere, DanglingLink, Pipe };

// Puts the hostile kind at path; elsewhere is the file a link points to.
inline bool placeHostileFile(HostileFile kind, const QString& path, const QString& elsewhere)
{
    switch (kind) {
    case HostileFile::LinkElsewhere: return QFile::link(elsewhere, path);
    case HostileFile::DanglingLink: return QFile::link(elsewhere + QStringLiteral(".missing"), path);
    case HostileFile::Pipe: return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    }
    return false;
}
