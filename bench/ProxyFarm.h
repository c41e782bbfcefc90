#pragma once

#include <string>
#include <vector>

namespace qv::bench {

// Many loopback listeners that act as working HTTP proxies: each connection gets a judge page
// once its request has arrived, and is closed by the farm (as an HTTP/1.0 server ends an
// answer). One thread, epoll, non-blocking sockets.
class ProxyFarm final {
public:
    explicit ProxyFarm(int portCount);
    ~ProxyFarm();
    ProxyFarm(const ProxyFarm&) = delete;
    ProxyFarm& operator=(const ProxyFarm&) = delete;

    const std::vector<int>& ports() const { return m_ports; }
    // Serves until stopFd becomes readable or hangs up.
    void run(int stopFd);

    static std::string judgePage();

private:
    std::vector<int> m_listeners;
    std::vector<int> m_ports;
};

} // namespace qv::bench
