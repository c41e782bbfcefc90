#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace qv {

// Host names for EpollEventLoop's sockets. Names in the hosts file are answered at once; any other
// goes to a few worker threads, so a slow name server never stalls the loop. Finished lookups are
// announced on the loop's wake descriptor and collected with takeResults().
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
        std::vector<Address> addresses;
        std::string error; // empty on success
    };

    static constexpr int kMaxWorkers = 4;

    explicit EpollHostResolver(int wakeFd);
    ~EpollHostResolver();
    EpollHostResolver(const EpollHostResolver&) = delete;
    EpollHostResolver& operator=(const EpollHostResolver&) = delete;

    // A numeric IPv4 or IPv6 address ("[::1]" too), with the port filled in.
    static std::optional<Address> numeric(const std::string& host, int port);
    // The addresses the hosts file gives for name, or nothing when it does not list it.
    static std::optional<std::vector<Address>> fromHostsFile(const std::string& name, int port);

    void lookup(std::uint32_t slot, std::uint64_t key, const std::string& name, int port);
    std::vector<Result> takeResults();

private:
    struct Shared;
    static void work(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
};

} // namespace qv
