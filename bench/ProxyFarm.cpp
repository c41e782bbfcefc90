#include "bench/ProxyFarm.h"
#include "bench/ReadAll.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace qv::bench {

namespace {
constexpr std::uint64_t kStopTag = ~0ull;
constexpr std::uint64_t kListenerFlag = 1ull << 62;

// What a connection waits for next.
enum class Step { Request, Greeting, SocksRequest, Handshake, TlsRequest, TlsAnswer, Done };

struct Peer {
    Step step = Step::Request;
    std::string in;
    SSL* ssl = nullptr;
};

// The small answers fit the socket buffer, so one write sends each whole.
void writeAll(int fd, std::string_view bytes)
{
    [[maybe_unused]] const ssize_t sent = ::write(fd, bytes.data(), bytes.size());
}

// The length of a SOCKS5 connect request at the head of in, or 0 while incomplete.
std::size_t socksRequestLength(const std::string& in)
{
    if (in.size() < 5)
        return 0;
    const std::size_t length = in[3] == 1 ? 10 : in[3] == 4 ? 22 : 7 + static_cast<unsigned char>(in[4]);
    return in.size() >= length ? length : 0;
}

// Moves a TLS step on; Done when it failed, else the step to wait in, the epoll events set for it.
Step tlsWait(int ep, int fd, Peer& peer, int result, Step step)
{
    const int error = SSL_get_error(peer.ssl, result);
    if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
        return Step::Done;
    epoll_event ev {};
    ev.events = error == SSL_ERROR_WANT_READ ? EPOLLIN : EPOLLOUT;
    ev.data.u64 = static_cast<std::uint64_t>(fd);
    ::epoll_ctl(ep, EPOLL_CTL_MOD, fd, &ev);
    return step;
}
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

ProxyFarm::ProxyFarm(int portCount, Protocol protocol, SSL_CTX* tls)
    : m_protocol(protocol)
    , m_tls(tls)
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

void ProxyFarm::run(int stopFd, int threads)
{
    std::vector<std::thread> others;
    for (int t = 1; t < threads; ++t)
        others.emplace_back([this, stopFd, t, threads] {
            serve(stopFd, static_cast<std::size_t>(t), static_cast<std::size_t>(threads));
        });
    serve(stopFd, 0, static_cast<std::size_t>(std::max(threads, 1)));
    for (std::thread& thread : others)
        thread.join();
}

void ProxyFarm::serve(int stopFd, std::size_t first, std::size_t step)
{
    const std::string page = judgePage();
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev {};
    ev.events = EPOLLIN;
    ev.data.u64 = kStopTag;
    ::epoll_ctl(ep, EPOLL_CTL_ADD, stopFd, &ev);
    for (std::size_t i = first; i < m_listeners.size(); i += step) {
        ev.events = EPOLLIN;
        ev.data.u64 = kListenerFlag | i;
        ::epoll_ctl(ep, EPOLL_CTL_ADD, m_listeners[i], &ev);
    }
    std::unordered_map<int, Peer> peers;
    auto finish = [&](int fd, Peer& peer) {
        if (peer.ssl) {
            SSL_shutdown(peer.ssl);
            SSL_free(peer.ssl);
        }
        ::close(fd);
        peers.erase(fd);
    };
    epoll_event events[256];
    for (;;) {
        const int n = ::epoll_wait(ep, events, 256, -1);
        for (int k = 0; k < n; ++k) {
            const std::uint64_t tag = events[k].data.u64;
            if (tag == kStopTag) {
                for (auto& [fd, peer] : peers) {
                    SSL_free(peer.ssl);
                    ::close(fd);
                }
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
                    peers[fd].step = m_protocol == Protocol::Socks5 ? Step::Greeting : Step::Request;
                }
                continue;
            }
            const int fd = static_cast<int>(tag);
            Peer& peer = peers[fd];
            if (!peer.ssl && !readAll(fd, peer.in)) {
                finish(fd, peer);
                continue;
            }
            // The greeting is the version, the number of methods and the methods.
            const std::size_t greeting = peer.in.size() >= 2 ? 2u + static_cast<unsigned char>(peer.in[1]) : 0;
            if (peer.step == Step::Greeting && greeting > 0 && peer.in.size() >= greeting) {
                peer.in.erase(0, greeting);
                writeAll(fd, std::string_view("\x05\x00", 2));
                peer.step = Step::SocksRequest;
            }
            if (peer.step == Step::SocksRequest) {
                if (const std::size_t length = socksRequestLength(peer.in)) {
                    peer.in.erase(0, length);
                    writeAll(fd, std::string_view("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x50", 10));
                    peer.step = Step::Request;
                }
            }
            if (peer.step == Step::Request && peer.in.find("\r\n\r\n") != std::string::npos) {
                if (m_protocol != Protocol::Https) {
                    writeAll(fd, page);
                    finish(fd, peer);
                    continue;
                }
                // The client starts TLS only after this answer, so nothing of it has been read yet.
                writeAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n");
                peer.in.clear();
                peer.ssl = SSL_new(m_tls);
                SSL_set_fd(peer.ssl, fd);
                SSL_set_accept_state(peer.ssl);
                peer.step = Step::Handshake;
            }
            if (peer.step == Step::Handshake) {
                const int result = SSL_do_handshake(peer.ssl);
                peer.step = result == 1 ? Step::TlsRequest : tlsWait(ep, fd, peer, result, Step::Handshake);
            }
            while (peer.step == Step::TlsRequest) {
                char buffer[4096];
                const int got = SSL_read(peer.ssl, buffer, sizeof buffer);
                if (got <= 0) {
                    peer.step = tlsWait(ep, fd, peer, got, Step::TlsRequest);
                    break;
                }
                peer.in.append(buffer, static_cast<std::size_t>(got));
                if (peer.in.find("\r\n\r\n") != std::string::npos)
                    peer.step = Step::TlsAnswer;
            }
            if (peer.step == Step::TlsAnswer) {
                const int wrote = SSL_write(peer.ssl, page.data(), static_cast<int>(page.size()));
                peer.step = wrote > 0 ? Step::Done : tlsWait(ep, fd, peer, wrote, Step::TlsAnswer);
            }
            if (peer.step == Step::Done)
                finish(fd, peer);
        }
    }
}

} // namespace qv::bench
