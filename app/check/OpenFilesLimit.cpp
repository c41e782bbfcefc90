#include "app/check/OpenFilesLimit.h"

#include <dirent.h>
#include <sys/resource.h>

namespace qv {

long OpenFilesLimit::raise()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 1024;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    constexpr rlim_t kLargest = 1L << 30;
    return static_cast<long>(limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > kLargest ? kLargest : limit.rlim_cur);
}

long OpenFilesLimit::socketsThatFit(long limit)
{
    long open = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds))
            open += entry->d_name[0] != '.';
        ::closedir(fds);
    }
    return limit - open - kReserve;
}

} // namespace qv
