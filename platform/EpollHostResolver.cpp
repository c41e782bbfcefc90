#include "platform/EpollHostResolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qv {

namespace {
struct Job
{
    std::uint32_t slot;
    std::uint64_t key;
    std::string name;
    int port;
};

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct HostsEntry
{
    std::string name;
    std::string address;
};

// Read once: the file rarely changes while a scan runs.
const std::vector<HostsEntry>& hostsFile()
{
    static const std::vector<HostsEntry> entries = [] {
        std::vector<HostsEntry> out;
        std::ifstream file("/etc/hosts");
        std::string line;
        while (std::getline(file, line)) {
            line = line.substr(0, line.find('#'));
            std::istringstream words(line);
            std::string address;
            std::string name;
            if (!(words >> address))
                continue;
            while (words >> name)
                out.push_back({ lower(name), address });
        }
        return out;
    }();
    return entries;
}
} // namespace

struct EpollHostResolver::Shared
{
    std::mutex mutex;
    std::deque<Job> jobs;
    std::vector<Result> results;
    int wakeFd = -1;
    int workers = 0;
    bool closed = false;
    ~Shared()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
};

EpollHostResolver::EpollHostResolver(int wakeFd)
    : m_shared(std::make_shared<Shared>())
{
    // A copy of its own: a worker finishing after the loop has gone must not write to a reused number.
    m_shared->wakeFd = ::dup(wakeFd);
}

EpollHostResolver::~EpollHostResolver()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->closed = true;
    m_shared->jobs.clear();
}

std::optional<EpollHostResolver::Address> EpollHostResolver::numeric(const std::string& host, int port)
{
    Address address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        address.length = sizeof(sockaddr_in);
        return address;
    }
    std::string text = host;
    if (text.size() > 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (::inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        address.length = sizeof(sockaddr_in6);
        return address;
    }
    return std::nullopt;
}

std::optional<std::vector<EpollHostResolver::Address>> EpollHostResolver::fromHostsFile(
    const std::string& name, int port)
{
    const std::string wanted = lower(name);
    std::vector<Address> out;
    for (const HostsEntry& entry : hostsFile()) {
        if (entry.name != wanted)
            continue;
        if (const std::optional<Address> address = numeric(entry.address, port))
            out.push_back(*address);
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

void EpollHostResolver::lookup(std::uint32_t slot, std::uint64_t key, const std::string& name, int port)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->jobs.push_back({ slot, key, name, port });
    if (m_shared->workers < kMaxWorkers && m_shared->workers < static_cast<int>(m_shared->jobs.size())) {
        ++m_shared->workers;
        std::thread(&EpollHostResolver::work, m_shared).detach();
    }
}

std::vector<EpollHostResolver::Result> EpollHostResolver::takeResults()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return std::exchange(m_shared->results, {});
}

void EpollHostResolver::work(std::shared_ptr<Shared> shared)
{
    for (;;) {
        Job job;
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (shared->closed || shared->jobs.empty()) {
                --shared->workers;
                return;
            }
            job = std::move(shared->jobs.front());
            shared->jobs.pop_front();
        }
        Result result;
        result.slot = job.slot;
        result.key = job.key;
        addrinfo hints {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG;
        addrinfo* list = nullptr;
        const std::string port = std::to_string(job.port);
        const int rc = ::getaddrinfo(job.name.c_str(), port.c_str(), &hints, &list);
        if (rc != 0) {
            result.error = ::gai_strerror(rc);
        } else {
            for (addrinfo* ai = list; ai; ai = ai->ai_next) {
                if (ai->ai_addrlen > sizeof(sockaddr_storage))
                    continue;
                Address address;
                std::memcpy(&address.storage, ai->ai_addr, ai->ai_addrlen);
                address.length = ai->ai_addrlen;
                result.addresses.push_back(address);
            }
            ::freeaddrinfo(list);
            if (result.addresses.empty())
                result.error = "Host not found";
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->closed)
            continue;
        shared->results.push_back(std::move(result));
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(shared->wakeFd, &one, sizeof one);
    }
}

} // namespace qv
