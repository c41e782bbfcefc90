#pragma once

#include <string>

namespace qv {

// An exclusive advisory lock (flock) on "<file>.lock" beside a file, so that a read-change-replace of
// the file by one process or window never interleaves with another's. The lock file stays; removing
// it would let two programs lock two different files of the same name.
class FileLock final
{
public:
    static constexpr int kDefaultWaitMs = 5000;

    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks the file beside path, waiting at most waitMs for another holder to let go. False, with
    // errorString() naming the lock file, when it cannot be had. A folder that is missing or takes
    // no new file cannot hold a lock file either: then nothing is locked and true is returned, as
    // whatever the caller writes there fails and says why. Nor is a device or pipe locked.
    bool lock(const std::string& path, int waitMs = kDefaultWaitMs);
    void unlock();
    std::string errorString() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

} // namespace qv
