#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
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
    const QFileInfo info(path);
    const QByteArray stem = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".tmp-"));
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    if (exists && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777); // a mode we cannot keep still leaves a readable file
    bool ok = writeAll(fd, data) && (durability == FileDurability::Rebuildable || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    // rename() replaces whatever the name points at itself, a link included.
    if (ok && ::rename(temp.constData(), target.constData()) == 0)
        return true;
    ::unlink(temp.constData());
    return false;
}

bool readRegularFile(const QString& path, QByteArray& data)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    data = file.readAll();
    return true;
}
