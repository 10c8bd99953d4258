#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int fd, QByteArrayView data)
{
    const char* at = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        left -= n;
    }
    return true;
}

// The names writing NAME uses beside it: ".NAME.tmp-" and a random suffix.
QByteArray tempPrefix(const QByteArray& fileName) { return "." + fileName + ".tmp-"; }

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

} // namespace

bool writeRegularFile(const QString& path, QByteArrayView data, FileDurability durability)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return false;

    // A hidden name beside the target: same file system for the rename, and no
    // listing of the folder's files shows it if the program dies before the rename.
    // What a writer killed earlier left there goes first, so the folder does not grow.
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.path());
    const QByteArray prefix = tempPrefix(QFile::encodeName(info.fileName()));
    removeStaleTemps(folder, prefix);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = folder + '/' + prefix + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
        if (fd >= 0 && !holdTemp(fd, temp)) {
            ::close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return false;
    if (exists && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777); // a mode we cannot keep still leaves a readable file
    // The copy keeps the lock until the file is in place, after the checked close.
    const int held = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    bool ok = held >= 0 && writeAll(fd, data) && (durability == FileDurability::Rebuildable || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    // rename() replaces whatever the name points at itself, a link included.
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    if (held >= 0)
        ::close(held);
    return ok;
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
