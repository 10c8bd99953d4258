#pragma once
// Counts the saves of a file while the counter lives: every save of the program's
// writer (writeRegularFile) begins with a new temporary file ".NAME.tmp-*" beside it.
// (Events for the file's own name would not do: the kernel merges repeated ones.)
#include <QFile>
#include <QFileInfo>

#include <sys/inotify.h>
#include <unistd.h>

#include <climits>
#include <cstring>

class FileSaves {
public:
    explicit FileSaves(const QString& path)
        : m_prefix("." + QFile::encodeName(QFileInfo(path).fileName()) + ".tmp-")
        , m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
        if (m_fd >= 0 && ::inotify_add_watch(m_fd, folder.constData(), IN_CREATE) < 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileSaves()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileSaves(const FileSaves&) = delete;
    FileSaves& operator=(const FileSaves&) = delete;

    // The saves so far; -1 when the folder cannot be watched.
    int count()
    {
        if (m_fd < 0)
            return -1;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && std::strncmp(event->name, m_prefix.constData(), size_t(m_prefix.size())) == 0)
                    ++m_count;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        return m_count;
    }

private:
    QByteArray m_prefix;
    int m_fd;
    int m_count = 0;
};
