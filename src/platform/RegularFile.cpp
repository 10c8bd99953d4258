#include "RegularFile.h"

#include "LocaleInfo.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 0, or the error that stopped the writing (a short write is one).
int writeAll(int fd, QByteArrayView data)
{
    const char* at = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        at += n;
        left -= n;
    }
    return 0;
}

// The names writing NAME uses beside it: ".NAME.tmp-" and a random suffix of at most
// 7 characters, NAME cut short so the whole fits wherever NAME itself fits.
QByteArray tempPrefix(const QByteArray& fileName) { return "." + fileName.left(NAME_MAX - 13) + ".tmp-"; }

// ".X.tmp-Y" with X and Y not empty.
bool isTempName(const char* name)
{
    if (name[0] != '.' || name[1] == '\0')
        return false;
    const char* at = std::strstr(name + 2, ".tmp-");
    return at && at[5] != '\0';
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A writer holds a lock on its temporary file until the file is in place, so one that
// nobody holds was left by a writer that died.
void removeIfStale(int dirFd, const char* name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return; // a link is neither followed nor removed
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(opened, named))
        (void)::unlinkat(dirFd, name, 0); // already gone is as good
    ::close(fd);
}

// Every stale temporary file in folder, or only those whose names begin with prefix.
void removeStaleTemps(const QByteArray& folder, const QByteArray& prefix)
{
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        const bool match = prefix.isEmpty()
            ? isTempName(name)
            : std::strncmp(name, prefix.constData(), size_t(prefix.size())) == 0 && name[prefix.size()] != '\0';
        if (match && (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN))
            removeIfStale(::dirfd(dir), name);
    }
    ::closedir(dir);
}

// Locks a temporary file just made; false when a sweep got there first (it removes the file).
bool holdTemp(int fd, const QByteArray& temp)
{
    struct stat opened {}, named {};
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0
        && ::lstat(temp.constData(), &named) == 0 && sameFile(opened, named);
}

// The name path finally stands for: symbolic links followed, at most 40 of them as
// the system does. A name that does not exist (or a link to nothing) is the end.
bool resolveLinks(QByteArray path, QByteArray& resolved)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = path;
            return true;
        }
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (size_t(n) == sizeof buffer) {
            errno = ENAMETOOLONG;
            return false;
        }
        QByteArray link(buffer, qsizetype(n));
        if (!link.startsWith('/')) {
            const qsizetype slash = path.lastIndexOf('/');
            link = (slash < 0 ? QByteArray() : path.left(slash + 1)) + link;
        }
        path = link;
    }
    errno = ELOOP;
    return false;
}

void syncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    (void)::fsync(fd); // the file itself is on the disk already; this only orders the rename
    ::close(fd);
}

} // namespace

FileWrite writeRegularFile(const QString& path, QByteArrayView data, FileDurability durability)
{
    const auto failed = [](int error) { return FileWrite{FileWriteStatus::Failed, error}; };
    const QByteArray named = QFile::encodeName(path);
    QByteArray target;
    if (!resolveLinks(named, target))
        return failed(errno);
    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && (S_ISDIR(old.st_mode) || (!S_ISREG(old.st_mode) && target != named)))
        return {FileWriteStatus::NotAFile, EISDIR};
    if (exists && S_ISREG(old.st_mode) && (old.st_mode & S_IWUSR) == 0)
        return {FileWriteStatus::WriteProtected, EACCES};

    // A hidden name beside the target: same file system for the rename, and no
    // listing of the folder's files shows it if the program dies before the rename.
    // What a writer killed earlier left there goes first, so the folder does not grow.
    const QFileInfo info(QFile::decodeName(target));
    const QByteArray folder = QFile::encodeName(info.path());
    const QByteArray prefix = tempPrefix(QFile::encodeName(info.fileName()));
    removeStaleTemps(folder, prefix);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder + '/' + prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return failed(errno);
        if (fd >= 0 && !holdTemp(fd, temp)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return failed(EEXIST);
    if (exists && S_ISREG(old.st_mode)) {
        // Owner first: a change of owner may clear the mode's set-id bits. Only root may
        // give a file away; a user's own file keeps its owner anyway.
        (void)::fchown(fd, old.st_uid, old.st_gid);
        (void)::fchmod(fd, old.st_mode & 07777); // a mode we cannot keep still leaves a readable file
    }
    // The copy keeps the lock until the file is in place, after the checked close.
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    int error = held < 0 ? errno : 0;
    if (!error)
        error = writeAll(fd, data);
    if (!error && durability == FileDurability::Synced && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno; // a delayed write error shows here on some file systems
    // Only a file written whole replaces the old one.
    if (!error && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error)
        ::unlink(temp.constData());
    else if (durability == FileDurability::Synced)
        syncFolder(folder); // the rename itself reaches the disk too
    if (held >= 0)
        ::close(held);
    return error ? failed(error) : FileWrite{};
}

QString fileWriteFailureReason(const FileWrite& result)
{
    const bool english = localeIsEnglish();
    const auto text = [english](const char* en, const char* de) { return QString::fromUtf8(english ? en : de); };
    switch (result.status) {
    case FileWriteStatus::Written: return {};
    case FileWriteStatus::WriteProtected: return text("the file is write-protected", "die Datei ist schreibgeschützt");
    case FileWriteStatus::NotAFile: return text("it is a folder or a device, no file", "sie ist ein Ordner oder Gerät, keine Datei");
    case FileWriteStatus::Failed: break;
    }
    switch (result.error) {
    case ENOSPC: return text("the disk is full", "der Datenträger ist voll");
    case EDQUOT: return text("the disk quota is used up", "das Speicherkontingent ist erschöpft");
    case EFBIG: return text("the file is larger than allowed", "die Datei ist größer als erlaubt");
    case EACCES:
    case EPERM: return text("no permission to write in the folder", "keine Schreibberechtigung im Ordner");
    case EROFS: return text("the file system is read-only", "das Dateisystem ist schreibgeschützt");
    case ENOENT:
    case ENOTDIR: return text("the folder does not exist", "der Ordner existiert nicht");
    case ELOOP: return text("too many symbolic links", "zu viele symbolische Verknüpfungen");
    case EIO: return text("input/output error", "Ein-/Ausgabefehler");
    default: break;
    }
    return (english ? QStringLiteral("system error %1: %2") : QStringLiteral("Systemfehler %1: %2"))
        .arg(result.error)
        .arg(QString::fromLocal8Bit(std::strerror(result.error)));
}

QString fileWriteFailureSentence(const FileWrite& result)
{
    QString reason = fileWriteFailureReason(result);
    if (!reason.isEmpty())
        reason[0] = reason[0].toUpper();
    return reason + QLatin1Char('.');
}

void removeStaleTempFiles(const QStringList& folders)
{
    for (const QString& folder : folders)
        if (!folder.isEmpty())
            removeStaleTemps(QFile::encodeName(folder), {});
}

FileRead readRegularFile(const QString& path, QByteArray& data, qint64 maxBytes)
{
    data.clear();
    if (path.startsWith(QLatin1Char(':'))) {
        QFile file(path);
        if (!file.exists())
            return FileRead::Missing;
        if (file.size() > maxBytes)
            return FileRead::TooLarge;
        if (!file.open(QIODevice::ReadOnly))
            return FileRead::Failed;
        data = file.readAll();
        return FileRead::Ok;
    }
    // O_NONBLOCK: opening a pipe without a writer must not wait; the type is checked on
    // the open file itself, so a name swapped after a check cannot slip through.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    FileRead result = FileRead::Ok;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        result = FileRead::Failed;
    else if (!S_ISREG(st.st_mode))
        result = FileRead::NotRegular;
    else if (st.st_size > maxBytes)
        result = FileRead::TooLarge;
    else {
        // One byte more than allowed tells a file that grew meanwhile from one that fits.
        data.resize(qsizetype(st.st_size) + 1);
        qsizetype got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (n < 0) {
                result = FileRead::Failed;
                break;
            }
            if (n == 0)
                break;
            got += n;
            if (got == data.size() && got <= maxBytes)
                data.resize(qMin<qint64>(maxBytes + 1, data.size() * 2));
        }
        if (result == FileRead::Ok && got > maxBytes)
            result = FileRead::TooLarge;
        data.resize(got);
    }
    ::close(fd);
    if (result != FileRead::Ok)
        data.clear();
    return result;
}

bool readRegularFile(const QString& path, QByteArray& data)
{
    // Far above any settings hive, description or resource the program writes or ships.
    constexpr qint64 ownFileCap = 256LL * 1024 * 1024;
    return readRegularFile(path, data, ownFileCap) == FileRead::Ok;
}
