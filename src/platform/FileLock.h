#pragma once
// An exclusive lock for changing one file that several running copies of the
// program share (a settings hive, the route file).
#include <QString>

class FileLock {
public:
    // Takes the lock on the hidden file ".NAME.lock" beside path, waiting up to
    // five seconds for another copy to let it go. It is taken beside the file
    // because every save replaces the file itself.
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // False when no lock file can be made there (a read-only folder) or the wait ran out.
    bool held() const { return m_fd >= 0; }

private:
    void release();
    int m_fd = -1;
};
