#include "platform/FileLock.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {

bool FileLock::lock(const std::string& path, int waitMs)
{
    unlock();
    m_error.clear();
    // A device or pipe is written directly: there is no file to serialize, nor a folder for the lock.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return true;
    const std::string lockPath = path + ".lock";
    // Read-only is enough to lock, so a lock file another user (root, say) made still serves.
    m_fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (m_fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS || error == ENOENT || error == ENOTDIR)
            return true;
        m_error = "Cannot lock \"" + lockPath + "\": " + std::strerror(error);
        return false;
    }
    // Saves hold the lock for milliseconds; polling keeps the wait bounded without a signal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            m_error = error == EWOULDBLOCK
                ? "\"" + lockPath + "\" is held by another program; gave up after " + std::to_string(waitMs) + " ms"
                : "Cannot lock \"" + lockPath + "\": " + std::strerror(error);
            unlock();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FileLock::unlock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing lets go of the lock
    m_fd = -1;
}

} // namespace qv
