#include "bench/ProxyFarm.h"

#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

namespace qv::bench {

namespace {
constexpr std::uint64_t kStopTag = ~0ull;
constexpr std::uint64_t kListenerFlag = 1ull << 62;
} // namespace

std::string ProxyFarm::judgePage()
{
    std::string body = "<html><head><title>judge</title></head><body><pre>\n";
    for (int i = 0; i < 20; ++i)
        body += "HTTP_VARIABLE_" + std::to_string(i) + " = some value of the request\n";
    body += "</pre><p>Comment: proxy seen</p><font color=\"blue\">3</font></body></html>\n";
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + body;
}

ProxyFarm::ProxyFarm(int portCount)
{
    for (int i = 0; i < portCount; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4096) != 0)
            throw std::runtime_error("cannot listen on loopback");
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_listeners.push_back(fd);
        m_ports.push_back(ntohs(address.sin_port));
    }
}

ProxyFarm::~ProxyFarm()
{
    for (int fd : m_listeners)
        ::close(fd);
}

void ProxyFarm::run(int stopFd)
{
    const std::string page = judgePage();
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.u64 = kStopTag;
    ::epoll_ctl(ep, EPOLL_CTL_ADD, stopFd, &ev);
    for (std::size_t i = 0; i < m_listeners.size(); ++i) {
        ev.events = EPOLLIN;
        ev.data.u64 = kListenerFlag | i;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, m_listeners[i], &ev);
    }
    std::unordered_map<int, std::string> requests;
    epoll_event events[256];
    char buffer[4096];
    for (;;) {
        const int n = ::epoll_wait(ep, events, 256, -1);
        for (int k = 0; k < n; ++k) {
            const std::uint64_t tag = events[k].data.u64;
            if (tag == kStopTag) {
                for (auto& [fd, _] : requests)
                    ::close(fd);
                ::close(ep);
                return;
            }
            if (tag & kListenerFlag) {
                const int listener = m_listeners[tag & ~kListenerFlag];
                for (;;) {
                    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                    if (fd < 0)
                        break;
                    epoll_event cev {};
                    cev.events = EPOLLIN;
                    cev.data.u64 = static_cast<std::uint64_t>(fd);
                    ::epoll_ctl(ep, EPOLL_CTL_ADD, fd, &cev);
                    requests[fd];
                }
                continue;
            }
            const int fd = static_cast<int>(tag);
            std::string& request = requests[fd];
            bool done = false;
            for (;;) {
                const ssize_t got = ::read(fd, buffer, sizeof buffer);
                if (got > 0) {
                    request.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                done = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
                break;
            }
            if (!done && request.find("\r\n\r\n") != std::string::npos) {
                // The page fits the socket buffer, so one write sends it whole.
                [[maybe_unused]] const ssize_t sent = ::write(fd, page.data(), page.size());
                done = true;
            }
            if (done) {
                requests.erase(fd);
                ::close(fd);
            }
        }
    }
}

} // namespace qv::bench
