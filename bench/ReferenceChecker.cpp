#include "bench/ReferenceChecker.h"
#include "bench/ReadAll.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qv::bench {

namespace {
// What a connection waits for next.
enum class Step { Connecting, ProxyReply, SocksMethod, SocksReply, TlsHandshake, Answer };

struct Connection {
    int fd = -1;
    Step step = Step::Connecting;
    std::uint32_t events = 0;
    std::string in;
    SSL* ssl = nullptr;
};

// The same trust and settings as quorvane-check's TLS context.
SSL_CTX* clientContext(const std::string& caFile)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_default_verify_paths(ctx);
    if (!caFile.empty())
        SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr);
    return ctx;
}

// The small messages fit a fresh socket's buffer, so one send takes each whole.
bool sendAll(int fd, std::string_view bytes)
{
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}
} // namespace

std::vector<ReferenceChecker::Target> ReferenceChecker::load(const std::string& path)
{
    std::vector<Target> targets;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return targets;
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        char* host = std::strstr(line, "://");
        host = host ? host + 3 : line;
        char* colon = std::strchr(host, ':');
        if (!colon)
            continue;
        *colon = '\0';
        Target target {};
        if (::inet_pton(AF_INET, host, &target.address) == 1) {
            target.port = static_cast<std::uint16_t>(std::atoi(colon + 1));
            targets.push_back(target);
        }
    }
    std::fclose(file);
    return targets;
}

ReferenceChecker::Result ReferenceChecker::run(const std::vector<Target>& targets, int sockets,
                                               const Conversation& conversation)
{
    Result result;
    const Protocol protocol = conversation.protocol;
    SSL_CTX* tls = protocol == Protocol::Https ? clientContext(conversation.caFile) : nullptr;
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    std::vector<Connection> slots(static_cast<std::size_t>(sockets));
    std::size_t next = 0;
    int active = 0;

    auto watch = [&](std::size_t slot, std::uint32_t events) {
        Connection& c = slots[slot];
        if (c.events == events)
            return;
        epoll_event ev {};
        ev.events = events;
        ev.data.u64 = slot;
        ::epoll_ctl(ep, c.events == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD, c.fd, &ev);
        c.events = events;
    };
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
            watch(slot, EPOLLOUT | EPOLLIN);
            ++active;
            return;
        }
    };
    auto end = [&](std::size_t slot, bool judge) {
        Connection& c = slots[slot];
        if (judge && c.in.find("Comment") != std::string::npos)
            ++result.found;
        SSL_free(c.ssl);
        c.ssl = nullptr;
        ::close(c.fd);
        c.fd = -1;
        --active;
        ++result.checked;
        begin(slot);
    };
    // Moves the conversation on as far as the bytes at hand allow; false when the check failed.
    auto advance = [&](std::size_t slot, std::uint32_t ready) {
        Connection& c = slots[slot];
        if (c.step == Step::Connecting) {
            if (!(ready & EPOLLOUT))
                return true;
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(c.fd, SOL_SOCKET, SO_ERROR, &error, &length);
            const std::string_view first = protocol == Protocol::Http ? std::string_view(conversation.request)
                : protocol == Protocol::Https                         ? std::string_view(conversation.connect)
                                                                      : std::string_view("\x05\x01\x00", 3);
            if (error != 0 || !sendAll(c.fd, first))
                return false;
            c.step = protocol == Protocol::Http ? Step::Answer
                : protocol == Protocol::Https   ? Step::ProxyReply
                                                : Step::SocksMethod;
            watch(slot, EPOLLIN);
            return true;
        }
        if (!c.ssl && !readAll(c.fd, c.in)) {
            end(slot, c.step == Step::Answer);
            return true;
        }
        if (c.step == Step::SocksMethod && c.in.size() >= 2) {
            if (c.in.compare(0, 2, "\x05\x00", 2) != 0)
                return false;
            c.in.clear();
            // Connect to 192.0.2.10:80 by address; the farm does not look where.
            if (!sendAll(c.fd, std::string_view("\x05\x01\x00\x01\xc0\x00\x02\x0a\x00\x50", 10)))
                return false;
            c.step = Step::SocksReply;
        }
        if (c.step == Step::SocksReply && c.in.size() >= 10) {
            if (c.in[1] != 0 || !sendAll(c.fd, conversation.request))
                return false;
            c.in.clear();
            c.step = Step::Answer;
        }
        if (c.step == Step::ProxyReply && c.in.find("\r\n\r\n") != std::string::npos) {
            if (c.in.compare(0, 9, "HTTP/1.1 ") != 0 || c.in.compare(9, 3, "200") != 0)
                return false;
            c.in.clear();
            c.ssl = SSL_new(tls);
            SSL_set_fd(c.ssl, c.fd);
            SSL_set_tlsext_host_name(c.ssl, conversation.tlsHost.c_str());
            SSL_set1_host(c.ssl, conversation.tlsHost.c_str());
            c.step = Step::TlsHandshake;
        }
        if (c.step == Step::TlsHandshake) {
            const int rc = SSL_connect(c.ssl);
            if (rc != 1) {
                const int error = SSL_get_error(c.ssl, rc);
                if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
                    return false;
                watch(slot, error == SSL_ERROR_WANT_READ ? EPOLLIN : EPOLLOUT);
                return true;
            }
            watch(slot, EPOLLIN);
            const int size = static_cast<int>(conversation.request.size());
            if (SSL_write(c.ssl, conversation.request.data(), size) != size)
                return false;
            c.step = Step::Answer;
        }
        if (c.step == Step::Answer && c.ssl) {
            char buffer[16384];
            for (;;) {
                const int got = SSL_read(c.ssl, buffer, sizeof buffer);
                if (got > 0) {
                    c.in.append(buffer, static_cast<std::size_t>(got));
                    continue;
                }
                // close_notify, or the end of the stream without it: the answer is whole either way.
                if (SSL_get_error(c.ssl, got) != SSL_ERROR_WANT_READ)
                    end(slot, true);
                break;
            }
        }
        return true;
    };

    for (std::size_t s = 0; s < slots.size(); ++s)
        begin(s);
    epoll_event events[256];
    while (active > 0) {
        const int n = ::epoll_wait(ep, events, 256, 10000);
        if (n <= 0)
            break;
        for (int k = 0; k < n; ++k) {
            const std::size_t slot = events[k].data.u64;
            if (slots[slot].fd >= 0 && !advance(slot, events[k].events))
                end(slot, false);
        }
    }
    ::close(ep);
    SSL_CTX_free(tls);
    return result;
}

} // namespace qv::bench
