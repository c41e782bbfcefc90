#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <unordered_map>
#include <utility>
#include <vector>

struct ares_addrinfo;
struct ares_channeldata;

namespace qv {

// Host names for EpollEventLoop's sockets, looked up with c-ares on the loop's own thread: the hosts
// file, /etc/resolv.conf and its search domains as the system reads them. Every look-up is sent at
// once, so a slow or silent name server delays only the names it owes; a socket that stops waiting
// leaves nothing behind that another look-up waits for. A name is asked once until forgetNames():
// sockets that want it meanwhile share the answer. The resolver's sockets and time-outs sit behind
// one descriptor, fd(), that the loop watches.
class EpollHostResolver final
{
public:
    struct Address
    {
        sockaddr_storage storage {};
        socklen_t length = 0;
    };
    struct Result
    {
        std::uint32_t slot = 0;
        std::uint64_t key = 0;
        std::vector<Address> addresses; // port 0: the socket puts its own in
        std::string error; // empty on success
    };

    // wake is called whenever a result starts waiting, for a loop that may be asleep.
    explicit EpollHostResolver(std::function<void()> wake);
    ~EpollHostResolver();
    EpollHostResolver(const EpollHostResolver&) = delete;
    EpollHostResolver& operator=(const EpollHostResolver&) = delete;

    // A numeric IPv4 or IPv6 address ("[::1]" too), with the port filled in.
    static std::optional<Address> numeric(const std::string& host, int port);
    static void setPort(Address& address, int port);

    // Asks these servers ("host[:port],...") instead of the system's; false when not usable.
    bool setServers(const std::string& servers);

    int fd() const { return m_epoll; }
    // Starts or joins the look-up of name for the socket in slot with key. The result is never
    // delivered from inside this call.
    void lookup(std::uint32_t slot, std::uint64_t key, const std::string& name);
    // fd() was readable: reads answers, sends retries and ends look-ups that ran out of time.
    void process();
    bool hasResults() const { return !m_results.empty(); }
    std::vector<Result> takeResults() { return std::exchange(m_results, {}); }
    // Answers kept so far are dropped: the next socket that wants a name asks again.
    void forgetNames();

private:
    struct Name
    {
        bool answered = false;
        std::vector<Address> addresses;
        std::string error;
        std::vector<std::pair<std::uint32_t, std::uint64_t>> waiters;
    };
    struct Query;

    static void onAnswer(void* arg, int status, int timeouts, ares_addrinfo* answer);
    static void onSocketState(void* data, int fd, int readable, int writable);
    void answer(Name& name, std::uint32_t slot, std::uint64_t key);
    void rearmTimer();

    std::function<void()> m_wake;
    ares_channeldata* m_channel = nullptr;
    std::string m_initError;
    int m_epoll = -1; // c-ares's sockets and m_timerFd
    int m_timerFd = -1;
    std::unordered_map<std::string, Name> m_names;
    std::vector<Result> m_results;
};

} // namespace qv
