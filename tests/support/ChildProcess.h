#pragma once

#include <cerrno>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Work in a forked child, for faults a test cannot survive (kill -9) and for two programs at once.
// The child runs only the work and ends with _exit: status 0 when the work returned true.
namespace qv::test {

inline pid_t startChild(const std::function<bool()>& work)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work() ? 0 : 1);
    return pid;
}

// The child's wait status (see waitpid), or -1.
inline int waitChild(pid_t pid)
{
    int status = -1;
    while (pid > 0 && ::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return pid > 0 ? status : -1;
}

inline int inChild(const std::function<bool()>& work) { return waitChild(startChild(work)); }

} // namespace qv::test
