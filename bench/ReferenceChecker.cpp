#include "bench/ReferenceChecker.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::bench {

namespace {
struct Connection {
    int fd = -1;
    bool sent = false;
    std::string answer;
};
} // namespace

std::vector<ReferenceChecker::Target> ReferenceChecker::load(const std::string& path)
{
    std::vector<Target> targets;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return targets;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        char* colon = std::strchr(line, ':');
        if (!colon)
            continue;
        *colon = '\0';
        Target target {};
        if (::inet_pton(AF_INET, line, &target.address) == 1) {
            target.port = static_cast<std::uint16_t>(std::atoi(colon + 1));
            targets.push_back(target);
        }
    }
    std::fclose(file);
    return targets;
}

ReferenceChecker::Result ReferenceChecker::run(const std::vector<Target>& targets, int sockets,
                                               const std::string& request)
{
    Result result;
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    std::vector<Connection> slots(static_cast<std::size_t>(sockets));
    std::size_t next = 0;
    int active = 0;

    auto begin = [&](std::size_t slot) {
        while (next < targets.size()) {
            const Target& target = targets[next++];
            Connection& c = slots[slot];
            c = Connection {};
            c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in address {};
            address.sin_family = AF_INET;
            address.sin_port = htons(target.port);
            address.sin_addr.s_addr = target.address;
            const int rc = ::connect(c.fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            if (rc != 0 && errno != EINPROGRESS) {
                ::close(c.fd);
                ++result.checked;
                continue;
            }
            epoll_event ev {};
            ev.events = EPOLLOUT | EPOLLIN;
            ev.data.u64 = slot;
            ::epoll_ctl(ep, EPOLL_CTL_ADD, c.fd, &ev);
            ++active;
            return;
        }
    };
    auto end = [&](std::size_t slot, bool judge) {
        Connection& c = slots[slot];
        if (judge && c.answer.find("Comment") != std::string::npos)
            ++result.found;
        ::close(c.fd);
        c.fd = -1;
        --active;
        ++result.checked;
        begin(slot);
    };

    for (std::size_t s = 0; s < slots.size(); ++s)
        begin(s);
    epoll_event events[256];
    char buffer[16384];
    while (active > 0) {
        const int n = ::epoll_wait(ep, events, 256, 10000);
        if (n <= 0)
            break;
        for (int k = 0; k < n; ++k) {
            const std::size_t slot = events[k].data.u64;
            Connection& c = slots[slot];
            if (c.fd < 0)
                continue;
            if (!c.sent && (events[k].events & EPOLLOUT)) {
                int error = 0;
                socklen_t length = sizeof error;
                ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &length);
                if (error != 0 || ::send(c.fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) {
                    end(slot, false);
                    continue;
                }
                c.sent = true;
                epoll_event ev {};
                ev.events = EPOLLIN;
                ev.data.u64 = slot;
                ::epoll_ctl(ep, EPOLL_CTL_MOD, c.fd, &ev);
                continue;
            }
            for (;;) {
                const ssize_t got = ::read(c.fd, buffer, sizeof buffer);
                if (got > 0) {
                    c.answer.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                if (got == 0)
                    end(slot, true);
                else if (errno != EAGAIN && errno != EWOULDBLOCK)
                    end(slot, false);
                break;
            }
        }
    }
    ::close(ep);
    return result;
}

} // namespace qv::bench
