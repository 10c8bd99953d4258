#include "FileLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kLockTimeoutMs = 5000;
}

FileLock::FileLock(const QString& path)
{
    const QFileInfo info(path);
    const QByteArray lockPath = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName()
                                                  + QStringLiteral(".lock"));
    for (int attempt = 0; attempt < 2 && m_fd < 0; ++attempt) {
        // Only made and locked, never written: reading is all the lock needs.
        m_fd = ::open(lockPath.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        struct stat st {};
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && S_ISREG(st.st_mode))
            break;
        // Anything but a regular file at our name (a link, a pipe) is replaced.
        const bool replace = m_fd >= 0 || errno == ELOOP;
        release();
        if (!replace || ::unlink(lockPath.constData()) != 0)
            return;
    }
    if (m_fd < 0)
        return;
    const QDeadlineTimer deadline(kLockTimeoutMs);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
            release();
            return;
        }
        QThread::msleep(2);
    }
}

FileLock::~FileLock() { release(); }

void FileLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing drops the lock
    m_fd = -1;
}
