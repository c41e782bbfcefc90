#include "platform/EpollHostResolver.h"

#include <arpa/inet.h>
#include <ares.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "util/IpAddress.h"
#include "util/Text.h"

namespace qv {

namespace {
// Names are told apart without regard to letter case, as DNS does.
std::string lower(std::string text)
{
    for (char& c : text)
        c = lowerAscii(c);
    return text;
}
} // namespace

struct EpollHostResolver::Query
{
    EpollHostResolver* resolver;
    std::string name;
};

EpollHostResolver::EpollHostResolver(std::function<void()> wake)
    : m_wake(std::move(wake))
{
    static std::once_flag libraryReady;
    std::call_once(libraryReady, [] { ares_library_init(ARES_LIB_INIT_ALL); });
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_epoll < 0 || m_timerFd < 0) {
        m_initError = std::string("Name lookup unavailable: ") + std::strerror(errno);
        return;
    }
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.fd = m_timerFd;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_timerFd, &event);

    ares_options options {};
    options.sock_state_cb = &EpollHostResolver::onSocketState;
    options.sock_state_cb_data = this;
    const int status = ares_init_options(&m_channel, &options, ARES_OPT_SOCK_STATE_CB);
    if (status != ARES_SUCCESS) {
        m_channel = nullptr;
        m_initError = std::string("Name lookup unavailable: ") + ares_strerror(status);
    }
}

EpollHostResolver::~EpollHostResolver()
{
    // Ends every look-up still running; their callbacks see ARES_EDESTRUCTION and touch nothing.
    if (m_channel)
        ares_destroy(m_channel);
    if (m_timerFd >= 0)
        ::close(m_timerFd);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

std::optional<EpollHostResolver::Address> EpollHostResolver::numeric(const std::string& host, int port)
{
    const std::optional<IpAddress> ip = IpAddress::parse(host);
    if (!ip)
        return std::nullopt;
    Address address;
    address.length = ip->toSocketAddress(port, address.storage);
    return address;
}

void EpollHostResolver::setPort(Address& address, int port)
{
    const auto network = htons(static_cast<std::uint16_t>(port));
    if (address.storage.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = network;
    else if (address.storage.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = network;
}

bool EpollHostResolver::setServers(const std::string& servers)
{
    return m_channel && ares_set_servers_ports_csv(m_channel, servers.c_str()) == ARES_SUCCESS;
}

void EpollHostResolver::answer(Name& name, std::uint32_t slot, std::uint64_t key)
{
    Result result;
    result.slot = slot;
    result.key = key;
    result.addresses = name.addresses;
    result.error = name.error;
    m_results.push_back(std::move(result));
    if (m_results.size() == 1 && m_wake)
        m_wake();
}

void EpollHostResolver::lookup(std::uint32_t slot, std::uint64_t key, const std::string& hostName)
{
    if (!m_channel) {
        Name failed;
        failed.error = m_initError;
        answer(failed, slot, key);
        return;
    }
    std::string name = lower(hostName);
    const auto [at, added] = m_names.try_emplace(name);
    Name& entry = at->second;
    if (entry.answered) {
        answer(entry, slot, key);
        return;
    }
    entry.waiters.emplace_back(slot, key);
    if (!added)
        return; // asked already: the answer goes to every socket waiting
    ares_addrinfo_hints hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    auto* query = new Query { this, name };
    // May answer at once (the hosts file, a name that cannot be asked): onAnswer only queues it.
    ares_getaddrinfo(m_channel, name.c_str(), nullptr, &hints, &EpollHostResolver::onAnswer, query);
    rearmTimer();
}

void EpollHostResolver::onAnswer(void* arg, int status, int /*timeouts*/, ares_addrinfo* answer)
{
    const std::unique_ptr<Query> query(static_cast<Query*>(arg));
    const std::unique_ptr<ares_addrinfo, void (*)(ares_addrinfo*)> held(answer, &ares_freeaddrinfo);
    if (status == ARES_EDESTRUCTION)
        return;
    EpollHostResolver& self = *query->resolver;
    const auto at = self.m_names.find(query->name);
    if (at == self.m_names.end())
        return;
    Name name = std::move(at->second);
    self.m_names.erase(at);
    if (status == ARES_SUCCESS && answer) {
        for (const ares_addrinfo_node* node = answer->nodes; node; node = node->ai_next) {
            if (!node->ai_addr || node->ai_addrlen > sizeof(sockaddr_storage))
                continue;
            Address address;
            std::memcpy(&address.storage, node->ai_addr, node->ai_addrlen);
            address.length = node->ai_addrlen;
            name.addresses.push_back(address);
        }
    }
    if (name.addresses.empty())
        name.error = status == ARES_SUCCESS ? std::string("Host has no address") : ares_strerror(status);
    const auto waiters = std::move(name.waiters);
    name.waiters.clear();
    for (const auto& [slot, key] : waiters)
        self.answer(name, slot, key);
    // A definite answer holds for the rest of the scan; a server that failed or kept silent may do
    // better for the next socket that asks.
    if (!name.addresses.empty() || status == ARES_ENOTFOUND || status == ARES_ENODATA) {
        name.answered = true;
        self.m_names.emplace(query->name, std::move(name));
    }
}

void EpollHostResolver::onSocketState(void* data, int fd, int readable, int writable)
{
    const auto& self = *static_cast<EpollHostResolver*>(data);
    if (!readable && !writable) {
        ::epoll_ctl(self.m_epoll, EPOLL_CTL_DEL, fd, nullptr);
        return;
    }
    epoll_event event {};
    event.events = (readable ? EPOLLIN : 0u) | (writable ? EPOLLOUT : 0u);
    event.data.fd = fd;
    if (::epoll_ctl(self.m_epoll, EPOLL_CTL_MOD, fd, &event) != 0 && errno == ENOENT)
        ::epoll_ctl(self.m_epoll, EPOLL_CTL_ADD, fd, &event);
}

void EpollHostResolver::process()
{
    if (!m_channel)
        return;
    epoll_event events[32];
    const int n = ::epoll_wait(m_epoll, events, 32, 0);
    for (int k = 0; k < n; ++k) {
        const int fd = events[k].data.fd;
        if (fd == m_timerFd) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_timerFd, &expirations, sizeof expirations);
            continue;
        }
        const bool in = events[k].events & (EPOLLIN | EPOLLERR | EPOLLHUP);
        const bool out = events[k].events & EPOLLOUT;
        ares_process_fd(m_channel, in ? fd : ARES_SOCKET_BAD, out ? fd : ARES_SOCKET_BAD);
    }
    // Retries and time-outs that are due.
    ares_process_fd(m_channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    rearmTimer();
}

void EpollHostResolver::rearmTimer()
{
    timeval left {};
    itimerspec when {};
    if (ares_timeout(m_channel, nullptr, &left)) {
        when.it_value.tv_sec = left.tv_sec;
        when.it_value.tv_nsec = static_cast<long>(left.tv_usec) * 1000;
        if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
            when.it_value.tv_nsec = 1; // zero would disarm it
    }
    ::timerfd_settime(m_timerFd, 0, &when, nullptr);
}

void EpollHostResolver::forgetNames()
{
    std::erase_if(m_names, [](const auto& entry) { return entry.second.answered; });
}

} // namespace qv
