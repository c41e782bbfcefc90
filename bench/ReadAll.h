#pragma once

#include <cerrno>
#include <string>
#include <unistd.h>

namespace qv::bench {

// Appends what has arrived on a non-blocking socket; false once the peer closed or failed.
inline bool readAll(int fd, std::string& in)
{
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            in.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

} // namespace qv::bench
