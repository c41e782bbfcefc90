#include "platform/EpollTcpSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/EpollEventLoop.h"

namespace qv {

namespace {
constexpr int kTaskError = static_cast<int>(EpollEventLoop::Task::Error);
constexpr int kTaskResumeRead = static_cast<int>(EpollEventLoop::Task::ResumeRead);

// The English text without a look-up in the message catalogues: many checks end in errors.
std::string describe(int osError)
{
    const char* text = ::strerrordesc_np(osError);
    return text ? text : "Unknown error " + std::to_string(osError);
}

// Whether the socket a handler was called on is still there and still on the same connection.
// Reads nothing of the socket unless the loop still knows it, so a handler may destroy it.
class EpollTcpSocketGuard final
{
public:
    EpollTcpSocketGuard(
        EpollEventLoop& loop, std::uint32_t slot, const EpollTcpSocket* socket, std::uint64_t key)
        : m_loop(loop)
        , m_slot(slot)
        , m_socket(socket)
        , m_key(key)
    {
    }
    bool alive() const { return m_loop.isCurrent(m_slot, m_socket, m_key); }

private:
    EpollEventLoop& m_loop;
    std::uint32_t m_slot;
    const EpollTcpSocket* m_socket;
    std::uint64_t m_key;
};
} // namespace

int EpollTcpSocket::errorNumber(int osError)
{
    switch (osError) {
    case ECONNREFUSED:
        return ConnectionRefused;
    case ECONNRESET:
    case EPIPE:
    case ECONNABORTED:
        return ConnectionReset;
    case ETIMEDOUT:
        return TimedOut;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return NetworkUnreachable;
    case EADDRINUSE:
    case EADDRNOTAVAIL:
        return AddressInUse;
    case EACCES:
    case EPERM:
        return AccessDenied;
    default:
        return OtherError;
    }
}

EpollTcpSocket::EpollTcpSocket(EpollEventLoop& loop)
    : m_loop(loop)
    , m_slot(loop.addSocket(this))
{
}

EpollTcpSocket::~EpollTcpSocket()
{
    releaseFd();
    m_loop.removeSocket(m_slot);
}

void EpollTcpSocket::releaseFd()
{
    if (m_fd < 0)
        return;
    // Closing also takes it out of the epoll set; events already collected carry the old key.
    ::close(m_fd);
    m_fd = -1;
}

void EpollTcpSocket::close()
{
    releaseFd();
    m_key = 0;
    m_state = State::Closed;
    m_in = std::string();
    m_out = std::string();
    m_addresses.clear();
    m_nextAddress = 0;
    m_hangup = false;
    m_peerFinished = false;
    m_noDelay = false;
    m_readPaused = false;
    m_lookingUp = false;
}

bool EpollTcpSocket::connect()
{
    if (m_state != State::Closed || m_host.empty() || m_port < 1 || m_port > 65535)
        return false;
    close();
    m_state = State::Connecting;
    m_key = m_loop.nextKey();
    if (const auto address = EpollHostResolver::numeric(m_host, m_port)) {
        m_addresses.push_back(*address);
    } else {
        m_lookingUp = true;
        m_loop.resolver().lookup(m_slot, m_key, m_host);
        return true;
    }
    int lastError = 0;
    if (!tryNextAddress(lastError))
        postError(lastError);
    return true;
}

bool EpollTcpSocket::tryNextAddress(int& lastError)
{
    while (m_nextAddress < m_addresses.size()) {
        const EpollHostResolver::Address& address = m_addresses[m_nextAddress++];
        const int fd = ::socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) != 0
            && errno != EINPROGRESS) {
            lastError = errno;
            ::close(fd);
            continue;
        }
        m_key = m_loop.nextKey();
        epoll_event event {};
        event.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
        event.data.u64 = EpollEventLoop::epollData(m_slot, m_key);
        if (::epoll_ctl(m_loop.fd(), EPOLL_CTL_ADD, fd, &event) != 0) {
            lastError = errno;
            ::close(fd);
            continue;
        }
        m_fd = fd;
        return true;
    }
    return false;
}

void EpollTcpSocket::postError(int osError)
{
    m_loop.postTask(m_slot, m_key, EpollEventLoop::Task::Error, osError != 0 ? osError : EIO);
}

void EpollTcpSocket::fail(int osError, const std::string& description)
{
    releaseFd();
    m_state = State::Closed;
    m_out = std::string();
    if (m_events.error)
        m_events.error(errorNumber(osError), description);
}

bool EpollTcpSocket::sendData(std::string_view bytes)
{
    if (m_state != State::Connected || m_fd < 0)
        return false;
    if (bytes.empty())
        return true;
    // A write that fits one segment goes out at once anyway; the tail of a longer one must not
    // wait for the acknowledgement of its head.
    if (bytes.size() > kOneSegmentBytes && !m_noDelay) {
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        m_noDelay = true;
    }
    if (!m_out.empty()) {
        m_out.append(bytes);
        return true;
    }
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // Reported from the loop, like any other failure of the connection.
            postError(errno);
            return true;
        }
        break;
    }
    if (sent < bytes.size())
        m_out.assign(bytes.substr(sent));
    return true;
}

void EpollTcpSocket::flush()
{
    while (!m_out.empty() && m_fd >= 0) {
        const ssize_t n = ::send(m_fd, m_out.data(), m_out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            m_out.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            postError(errno);
        return;
    }
}

std::string EpollTcpSocket::getData()
{
    std::string data = std::move(m_in);
    m_in.clear();
    if (m_readPaused) {
        // Reading on is the loop's job: it may bring events, and none may come from here.
        m_readPaused = false;
        m_loop.postTask(m_slot, m_key, EpollEventLoop::Task::ResumeRead);
    }
    return data;
}

bool EpollTcpSocket::readAndDeliver()
{
    const EpollTcpSocketGuard guard(m_loop, m_slot, this, m_key);
    const std::size_t before = m_in.size();
    bool ended = false;
    int error = 0;
    while (m_fd >= 0) {
        const std::size_t room = kReadBufferBytes - std::min(kReadBufferBytes, m_in.size());
        if (room == 0) {
            m_readPaused = true;
            break;
        }
        const std::size_t want = std::min(room, m_loop.scratchSize());
        const ssize_t got = ::recv(m_fd, m_loop.scratch(), want, 0);
        if (got > 0) {
            m_in.append(m_loop.scratch(), static_cast<std::size_t>(got));
            // A short read emptied the kernel's buffer; anything newer raises a new edge. After
            // the peer's orderly close (and nothing worse) nothing newer can come: that is the end.
            if (static_cast<std::size_t>(got) < want) {
                ended = m_peerFinished;
                if (!m_hangup || ended)
                    break;
            }
            continue;
        }
        if (got == 0) {
            ended = true;
        } else if (errno == EINTR) {
            continue;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
        } else if (m_hangup) {
            // A hang-up with nothing left to read: an error that recv did not report, if any.
            int pending = 0;
            socklen_t length = sizeof pending;
            if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &pending, &length) == 0 && pending != 0)
                error = pending;
        }
        break;
    }
    if (ended || error != 0) {
        releaseFd();
        m_state = State::Closed;
        m_out = std::string();
    }
    if (m_in.size() > before && m_events.dataArrival) {
        m_events.dataArrival(m_in.size());
        if (!guard.alive())
            return false;
    }
    if (error != 0) {
        if (m_events.error)
            m_events.error(errorNumber(error), describe(error));
        return false;
    }
    if (ended) {
        if (m_events.peerClosed)
            m_events.peerClosed();
        return false;
    }
    return true;
}

void EpollTcpSocket::onIo(std::uint32_t events)
{
    if (m_state == State::Connecting) {
        int error = 0;
        if (events & (EPOLLERR | EPOLLHUP)) {
            socklen_t length = sizeof error;
            if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
            if (error == 0 && !(events & EPOLLOUT))
                error = ECONNREFUSED;
        }
        if (error != 0) {
            releaseFd();
            int lastError = error;
            if (tryNextAddress(lastError))
                return;
            fail(error, describe(error));
            return;
        }
        if (!(events & EPOLLOUT))
            return;
        const EpollTcpSocketGuard guard(m_loop, m_slot, this, m_key);
        m_state = State::Connected;
        if (m_events.connected) {
            m_events.connected();
            if (!guard.alive())
                return;
        }
    }
    if (m_state != State::Connected)
        return;
    if ((events & EPOLLOUT) && !m_out.empty())
        flush();
    if (events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR))
        m_hangup = true;
    m_peerFinished = (events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) == EPOLLRDHUP;
    if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
        readAndDeliver();
}

void EpollTcpSocket::onPosted(int task, int number)
{
    if (task == kTaskError) {
        if (m_state == State::Closed)
            return;
        fail(number, describe(number));
        return;
    }
    if (task == kTaskResumeRead && m_state == State::Connected)
        readAndDeliver();
}

void EpollTcpSocket::onResolved(EpollHostResolver::Result result)
{
    m_lookingUp = false;
    if (!result.error.empty()) {
        releaseFd();
        m_state = State::Closed;
        if (m_events.error)
            m_events.error(HostNotFound, result.error);
        return;
    }
    m_addresses = std::move(result.addresses);
    for (EpollHostResolver::Address& address : m_addresses)
        EpollHostResolver::setPort(address, m_port);
    m_nextAddress = 0;
    int lastError = 0;
    if (!tryNextAddress(lastError))
        fail(lastError != 0 ? lastError : EHOSTUNREACH, describe(lastError != 0 ? lastError : EHOSTUNREACH));
}

} // namespace qv
