#include "app/check/FindsFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

FindsFile::~FindsFile()
{
    close();
}

bool FindsFile::fail()
{
    if (m_error.empty())
        m_error = "--out " + m_path + ": " + std::strerror(errno);
    return false;
}

bool FindsFile::open(const std::string& path)
{
    close();
    m_path = path;
    m_error.clear();
    m_begun = false;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    m_created = m_fd >= 0;
    if (m_fd < 0 && errno == EEXIST)
        m_fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0)
        return fail();
    return true;
}

bool FindsFile::begin()
{
    if (m_fd < 0)
        return false;
    m_begun = true;
    struct stat info {};
    // A pipe or a device is written as it is; only a regular file has old contents to drop.
    if (::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) && ::ftruncate(m_fd, 0) != 0)
        return fail();
    return true;
}

bool FindsFile::writeLine(const std::string& entry)
{
    if (m_fd < 0 || !m_error.empty())
        return false;
    // One write per line: a killed run leaves whole lines, bar at most the last.
    m_line.assign(entry).append("\r\n");
    const char* at = m_line.data();
    const char* end = at + m_line.size();
    while (at < end) {
        const ssize_t wrote = ::write(m_fd, at, static_cast<std::size_t>(end - at));
        if (wrote >= 0)
            at += wrote;
        else if (errno != EINTR)
            return fail();
    }
    return true;
}

bool FindsFile::close()
{
    if (m_fd < 0)
        return m_error.empty();
    if (m_begun && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        fail();
    if (::close(m_fd) != 0)
        fail();
    m_fd = -1;
    if (!m_begun && m_created)
        ::unlink(m_path.c_str());
    return m_error.empty();
}

} // namespace qv
