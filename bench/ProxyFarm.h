#pragma once

#include <cstddef>
#include <string>
#include <vector>

using SSL_CTX = struct ssl_ctx_st;

namespace qv::bench {

// Many loopback listeners that act as working proxies of one protocol. Http: the judge page once the
// request has arrived. Https: a CONNECT tunnel whose far end is a TLS judge (the page over TLS, then
// close_notify). Socks5: the handshake without authentication, then the plain judge page. Where the
// tunnel leads is not looked at. The farm closes every connection itself, as an HTTP/1.0 server ends
// an answer. Epoll, non-blocking sockets, one thread per share of the ports.
class ProxyFarm final {
public:
    enum class Protocol { Http, Https, Socks5 };

    // tls is the judge's server context, needed for Https; the farm takes no ownership.
    ProxyFarm(int portCount, Protocol protocol = Protocol::Http, SSL_CTX* tls = nullptr);
    ~ProxyFarm();
    ProxyFarm(const ProxyFarm&) = delete;
    ProxyFarm& operator=(const ProxyFarm&) = delete;

    const std::vector<int>& ports() const { return m_ports; }
    // Serves until stopFd becomes readable or hangs up, with `threads` threads taking turns over the ports.
    void run(int stopFd, int threads = 1);

    static std::string judgePage();

private:
    void serve(int stopFd, std::size_t first, std::size_t step);

    Protocol m_protocol;
    SSL_CTX* m_tls;
    std::vector<int> m_listeners;
    std::vector<int> m_ports;
};

} // namespace qv::bench
