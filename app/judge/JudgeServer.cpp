#include "app/judge/JudgeServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "app/judge/JudgePage.h"
#include "util/Text.h"

namespace qv {
namespace {

constexpr unsigned kResponseFlags = MHD_RF_HTTP_1_0_COMPATIBLE_STRICT | MHD_RF_HTTP_1_0_SERVER;

// Every answer is HTTP/1.0 style and ends by closing the connection.
MHD_Response* makeResponse(const std::string& body, enum MHD_ResponseMemoryMode mode)
{
    MHD_Response* response
        = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), mode);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/html; charset=utf-8");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    MHD_set_response_options(response, static_cast<MHD_ResponseFlags>(kResponseFlags), MHD_RO_END);
    return response;
}

// The path of an origin-form target ("/x") or of an absolute-form one ("http://host:port/x"),
// which a client sends when it takes the judge for a proxy.
std::string_view pathOf(std::string_view target)
{
    for (const std::string_view scheme : { std::string_view("http://"), std::string_view("https://") }) {
        if (startsWithNoCase(target, scheme)) {
            const std::size_t slash = target.find('/', scheme.size());
            return slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
        }
    }
    return target;
}

// Request texts in the log are cut here (and lose their control characters: no forged lines).
constexpr std::size_t kLogTextBytes = 200;

} // namespace

void JudgeServer::onLibraryMessage(void* self, const char* format, va_list args)
{
    auto* server = static_cast<JudgeServer*>(self);
    if (!server->m_starting)
        return;
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    // The library names the port it was given (0, as the address carries it); keep only the cause.
    std::string& message = server->m_startMessage;
    message = buffer;
    if (const std::size_t colon = message.rfind(": "); colon != std::string::npos)
        message.erase(0, colon + 2);
    while (!message.empty() && (message.back() == '\n' || message.back() == '.'))
        message.pop_back();
}

JudgeServer::JudgeServer(JudgeOptions options)
    : m_options(std::move(options))
{
    m_notFound = makeResponse(JudgePage::notFound(), MHD_RESPMEM_MUST_COPY);
    m_tooLarge = makeResponse(
        "<!DOCTYPE html>\n<html><body><h1>Request header fields too large</h1></body></html>\n",
        MHD_RESPMEM_MUST_COPY);
}

JudgeServer::~JudgeServer()
{
    if (m_daemon)
        MHD_stop_daemon(m_daemon);
    MHD_destroy_response(m_notFound);
    MHD_destroy_response(m_tooLarge);
}

bool JudgeServer::start(std::string& error)
{
    const bool v6 = m_options.listen.ss_family == AF_INET6;
    // Whole seconds for the library's idle timeout; the deadline of each connection is kept here.
    const unsigned idleSeconds = static_cast<unsigned>((m_options.timeoutMs + 999) / 1000);
    m_startMessage.clear();
    m_starting = true;
    m_daemon = MHD_start_daemon(MHD_USE_EPOLL | MHD_USE_ERROR_LOG | (v6 ? MHD_USE_DUAL_STACK : 0), 0, nullptr,
        nullptr, &JudgeServer::onRequest, this, MHD_OPTION_SOCK_ADDR, &m_options.listen,
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(m_options.maxConnections),
        MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        static_cast<std::size_t>(kHeaderCap * 2), MHD_OPTION_NOTIFY_CONNECTION, &JudgeServer::onConnection,
        this, MHD_OPTION_EXTERNAL_LOGGER, &JudgeServer::onLibraryMessage, this, MHD_OPTION_END);
    m_starting = false;
    if (!m_daemon) {
        error = "cannot listen on "
            + JudgeOptions::addressText(reinterpret_cast<sockaddr*>(&m_options.listen), true)
            + (m_startMessage.empty() ? std::string() : ": " + m_startMessage);
        return false;
    }
    return true;
}

std::string JudgeServer::boundAddress() const
{
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_LISTEN_FD);
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (!info || getsockname(info->listen_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return JudgeOptions::addressText(reinterpret_cast<sockaddr*>(&address), true);
}

void JudgeServer::run(int stopFd)
{
    const int epollFd = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd;
    const int listenFd = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_LISTEN_FD)->listen_fd;
    // At its connection limit the library takes the listening socket out of its epoll set, and puts it
    // back only in a later run: once below the limit, a waiting connection must wake the loop itself.
    pollfd fds[3] = { { epollFd, POLLIN, 0 }, { stopFd, POLLIN, 0 }, { listenFd, POLLIN, 0 } };
    for (;;) {
        fds[2].fd = m_open < m_options.maxConnections ? listenFd : -1;
        long long wait = -1;
        MHD_UNSIGNED_LONG_LONG libraryWait = 0;
        if (MHD_get_timeout(m_daemon, &libraryWait) == MHD_YES)
            wait = static_cast<long long>(std::min<MHD_UNSIGNED_LONG_LONG>(libraryWait, 60000));
        if (m_first) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_first->deadline - Clock::now());
            const long long deadlineWait = std::max<long long>(0, left.count());
            wait = wait < 0 ? deadlineWait : std::min(wait, deadlineWait);
        }
        if (poll(fds, 3, static_cast<int>(wait)) < 0 && errno != EINTR)
            break;
        if (fds[1].revents != 0)
            break;
        MHD_run(m_daemon);
        cutExpired(Clock::now());
    }
}

MHD_Result JudgeServer::onRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
    const char* version, const char*, std::size_t* uploadSize, void** requestState)
{
    // Answered on the first call, as soon as the header block is in: a body is never needed, and the
    // library drops it and closes.
    if (*requestState) {
        *uploadSize = 0;
        return MHD_YES;
    }
    *requestState = self;
    return static_cast<JudgeServer*>(self)->answer(connection, url, method, version);
}

MHD_Result JudgeServer::answer(
    MHD_Connection* connection, const char* url, const char* method, const char* version)
{
    JudgeRequest request;
    request.method = method ? method : "";
    request.target = url ? url : "";
    request.version = version ? version : "";
    if (const MHD_ConnectionInfo* info
        = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS))
        request.clientAddress = JudgeOptions::addressText(info->client_addr, false);
    std::size_t headerBytes = request.method.size() + request.target.size() + request.version.size() + 4;
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* into, MHD_ValueKind, const char* name, const char* value) -> MHD_Result {
            static_cast<std::vector<RequestHeader>*>(into)->push_back(
                { name ? name : "", value ? value : "" });
            return MHD_YES;
        },
        &request.headers);
    for (const RequestHeader& header : request.headers)
        headerBytes += header.name.size() + header.value.size() + 4;

    const std::string who
        = request.clientAddress + " " + printableText(request.method, kLogTextBytes) + " " + printableText(request.target, kLogTextBytes);
    if (headerBytes > kHeaderCap) {
        log(who + " -> 431");
        return MHD_queue_response(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, m_tooLarge);
    }
    if (pathOf(request.target) != m_options.path) {
        log(who + " -> 404");
        return MHD_queue_response(connection, MHD_HTTP_NOT_FOUND, m_notFound);
    }
    const LevelVerdict verdict = judgeLevel(request.headers, request.clientAddress);
    std::string line
        = who + " -> " + std::to_string(verdict.level) + " " + JudgePage::levelName(verdict.level);
    if (verdict.level == 3)
        line += " (" + printableText(verdict.header, kLogTextBytes) + ": " + printableText(verdict.address, kLogTextBytes) + ")";
    else if (verdict.level == 2)
        line += " (" + printableText(verdict.header, kLogTextBytes) + ")";
    log(line);
    MHD_Response* response = makeResponse(JudgePage::render(request, verdict), MHD_RESPMEM_MUST_COPY);
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

void JudgeServer::onConnection(
    void* self, MHD_Connection* connection, void** socketState, MHD_ConnectionNotificationCode event)
{
    auto* server = static_cast<JudgeServer*>(self);
    if (event == MHD_CONNECTION_NOTIFY_STARTED) {
        ++server->m_open;
        auto* tracked = new Tracked;
        if (const MHD_ConnectionInfo* info
            = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
            tracked->fd = info->connect_fd;
        tracked->deadline = Clock::now() + std::chrono::milliseconds(server->m_options.timeoutMs);
        server->link(tracked);
        *socketState = tracked;
    } else if (auto* tracked = static_cast<Tracked*>(*socketState)) {
        --server->m_open;
        server->unlink(tracked);
        delete tracked;
        *socketState = nullptr;
    }
}

void JudgeServer::link(Tracked* tracked)
{
    tracked->prev = m_last;
    tracked->next = nullptr;
    (m_last ? m_last->next : m_first) = tracked;
    m_last = tracked;
    tracked->linked = true;
}

void JudgeServer::unlink(Tracked* tracked)
{
    if (!tracked->linked)
        return;
    (tracked->prev ? tracked->prev->next : m_first) = tracked->next;
    (tracked->next ? tracked->next->prev : m_last) = tracked->prev;
    tracked->linked = false;
}

// Shutting the socket down (not closing it: the library still owns the descriptor) makes the library
// see the connection end at its next run and close it the usual way.
void JudgeServer::cutExpired(Clock::time_point now)
{
    while (m_first && m_first->deadline <= now) {
        Tracked* expired = m_first;
        unlink(expired);
        if (expired->fd >= 0)
            shutdown(expired->fd, SHUT_RDWR);
    }
}

void JudgeServer::log(const std::string& line) const
{
    if (m_options.quiet)
        return;
    const std::string out = line + "\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, out.data(), out.size());
}

} // namespace qv
