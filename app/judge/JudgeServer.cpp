#include "app/judge/JudgeServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

#include "app/judge/JudgeLog.h"
#include "app/judge/JudgePage.h"

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

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), text.begin(),
            [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
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


// Why a header line is refused, or nothing. The library takes blanks before the colon into the name,
// and glues an obsolete folded continuation line onto the name of the header before it (a copy),
// leaving the value where it was: the name then no longer sits right before its value, apart from it
// by the colon (made the name's end) and blanks.
std::string_view malformedHeader(const char* name, const char* value)
{
    const std::size_t length = std::strlen(name);
    if (std::strpbrk(name, " \t"))
        return "blank before colon";
    const auto gap
        = reinterpret_cast<std::uintptr_t>(value) - reinterpret_cast<std::uintptr_t>(name + length);
    if (gap < 1 || gap > 256
        || !std::all_of(name + length + 1, value, [](char c) { return c == ' ' || c == '\t'; }))
        return "folded line";
    return {};
}

// Whether the library answered a connection that never made a request (it answers a request line it
// cannot read with 400, one that does not fit with 414), and how much the client sent.
std::optional<std::pair<bool, std::uint64_t>> socketTraffic(int fd)
{
    tcp_info info {};
    socklen_t length = sizeof info;
    if (fd < 0 || getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0)
        return std::nullopt;
    return std::pair { info.tcpi_data_segs_out > 0, static_cast<std::uint64_t>(info.tcpi_bytes_received) };
}

std::optional<std::string> readWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf()))
        return std::nullopt;
    return text.str();
}

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
    m_badRequest = makeResponse(
        "<!DOCTYPE html>\n<html><body><h1>Bad request</h1>\n<p>A header line is folded onto the next line or "
        "has blanks before its colon.</p></body></html>\n",
        MHD_RESPMEM_MUST_COPY);
    for (Listener& listener : m_listeners)
        listener.server = this;
    m_listeners[1].tls = true;
}

JudgeServer::~JudgeServer()
{
    m_stopping = true;
    for (Listener& listener : m_listeners) {
        if (listener.daemon)
            MHD_stop_daemon(listener.daemon);
    }
    MHD_destroy_response(m_notFound);
    MHD_destroy_response(m_tooLarge);
    MHD_destroy_response(m_badRequest);
}

bool JudgeServer::start(std::string& error)
{
    if (m_options.tlsListen) {
        for (auto [file, into] :
            { std::pair { &m_options.tlsCertFile, &m_tlsCert }, { &m_options.tlsKeyFile, &m_tlsKey } }) {
            const std::optional<std::string> text = readWhole(*file);
            if (!text) {
                error = "cannot read " + *file + ": " + std::strerror(errno);
                return false;
            }
            *into = *text;
        }
    }
    if (!startListener(m_listeners[0], m_options.listen, error))
        return false;
    return !m_options.tlsListen || startListener(m_listeners[1], *m_options.tlsListen, error);
}

bool JudgeServer::startListener(Listener& listener, const sockaddr_storage& address, std::string& error)
{
    const bool v6 = address.ss_family == AF_INET6;
    // Whole seconds for the library's idle timeout; the deadline of each connection is kept here.
    const unsigned idleSeconds = static_cast<unsigned>((m_options.timeoutMs + 999) / 1000);
    unsigned flags = MHD_USE_EPOLL | MHD_USE_ERROR_LOG | (v6 ? MHD_USE_DUAL_STACK : 0);
    // Without a certificate the TLS options end the list at once.
    MHD_OptionItem tlsOptions[]
        = { { MHD_OPTION_END, 0, nullptr }, { MHD_OPTION_END, 0, nullptr }, { MHD_OPTION_END, 0, nullptr } };
    if (listener.tls) {
        flags |= MHD_USE_TLS;
        tlsOptions[0] = { MHD_OPTION_HTTPS_MEM_CERT, 0, m_tlsCert.data() };
        tlsOptions[1] = { MHD_OPTION_HTTPS_MEM_KEY, 0, m_tlsKey.data() };
    }
    m_startMessage.clear();
    m_starting = true;
    listener.daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &JudgeServer::onRequest, &listener,
        MHD_OPTION_EXTERNAL_LOGGER, &JudgeServer::onLibraryMessage, this, MHD_OPTION_SOCK_ADDR, &address,
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(m_options.maxConnections),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<unsigned>(m_options.maxPerClient),
        MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        static_cast<std::size_t>(kHeaderCap * 2), MHD_OPTION_NOTIFY_CONNECTION, &JudgeServer::onConnection,
        &listener, MHD_OPTION_URI_LOG_CALLBACK, &JudgeServer::onRequestLine, &listener,
        MHD_OPTION_NOTIFY_COMPLETED, &JudgeServer::onCompleted, &listener, MHD_OPTION_ARRAY, tlsOptions,
        MHD_OPTION_END);
    m_starting = false;
    if (!listener.daemon) {
        error = "cannot listen on "
            + JudgeOptions::addressText(reinterpret_cast<const sockaddr*>(&address), true)
            + (listener.tls ? " for TLS" : "")
            + (m_startMessage.empty() ? std::string() : ": " + m_startMessage);
        // The library says no more than that it could not set up TLS when the files are not what they
        // should be.
        if (listener.tls && m_startMessage.find("TLS") != std::string::npos)
            error += " (is --tls-cert a PEM certificate chain and --tls-key its PEM private key?)";
        return false;
    }
    return true;
}

std::string JudgeServer::boundAddress(bool tls) const
{
    MHD_Daemon* daemon = m_listeners[tls ? 1 : 0].daemon;
    const MHD_DaemonInfo* info = daemon ? MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_LISTEN_FD) : nullptr;
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (!info || getsockname(info->listen_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    return JudgeOptions::addressText(reinterpret_cast<sockaddr*>(&address), true);
}

void JudgeServer::run(int stopFd)
{
    // Per listener its epoll set and its listening socket. At its connection limit the library takes
    // the listening socket out of its epoll set, and puts it back only in a later run: once below the
    // limit, a waiting connection must wake the loop itself.
    pollfd fds[5] = { { stopFd, POLLIN, 0 } };
    int listenFds[2] = { -1, -1 };
    for (int i = 0; i < 2; ++i) {
        if (MHD_Daemon* daemon = m_listeners[i].daemon) {
            fds[1 + 2 * i] = { MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_EPOLL_FD)->epoll_fd, POLLIN, 0 };
            listenFds[i] = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_LISTEN_FD)->listen_fd;
        } else {
            fds[1 + 2 * i].fd = -1;
        }
        fds[2 + 2 * i].events = POLLIN;
    }
    for (;;) {
        long long wait = -1;
        for (int i = 0; i < 2; ++i) {
            const Listener& listener = m_listeners[i];
            fds[2 + 2 * i].fd = listener.open < m_options.maxConnections ? listenFds[i] : -1;
            MHD_UNSIGNED_LONG_LONG libraryWait = 0;
            if (listener.daemon && MHD_get_timeout(listener.daemon, &libraryWait) == MHD_YES) {
                const auto capped
                    = static_cast<long long>(std::min<MHD_UNSIGNED_LONG_LONG>(libraryWait, 60000));
                wait = wait < 0 ? capped : std::min(wait, capped);
            }
        }
        if (m_first) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_first->deadline - Clock::now());
            const long long deadlineWait = std::max<long long>(0, left.count());
            wait = wait < 0 ? deadlineWait : std::min(wait, deadlineWait);
        }
        if (poll(fds, 5, static_cast<int>(wait)) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            break;
        for (const Listener& listener : m_listeners) {
            if (listener.daemon)
                MHD_run(listener.daemon);
        }
        cutExpired(Clock::now());
    }
}

// The target exactly as it came, query string included; the library's own copy is decoded and split.
void* JudgeServer::onRequestLine(void*, const char* target, MHD_Connection* connection)
{
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    if (auto* tracked = info ? static_cast<Tracked*>(info->socket_context) : nullptr)
        tracked->target = std::string(std::string_view(target ? target : "").substr(0, kHeaderCap + 1));
    return nullptr;
}

MHD_Result JudgeServer::onRequest(void* listener, MHD_Connection* connection, const char* url,
    const char* method, const char* version, const char*, std::size_t* uploadSize, void** requestState)
{
    // Answered on the first call, as soon as the header block is in: a body is never needed, and the
    // library drops it and closes.
    if (*requestState) {
        *uploadSize = 0;
        return MHD_YES;
    }
    *requestState = listener;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    auto* tracked = info ? static_cast<Tracked*>(info->socket_context) : nullptr;
    if (!tracked)
        return MHD_NO;
    if (!tracked->target)
        tracked->target = url ? url : "";
    return static_cast<Listener*>(listener)->server->answer(connection, *tracked, url, method, version);
}

MHD_Result JudgeServer::answer(
    MHD_Connection* connection, Tracked& tracked, const char* url, const char* method, const char* version)
{
    JudgeRequest request;
    request.method = method ? method : "";
    request.target = *tracked.target;
    request.version = version ? version : "";
    request.clientAddress = tracked.address;
    tracked.method = request.method;
    struct Collected
    {
        std::vector<RequestHeader>* headers;
        std::string_view malformed;
        std::string malformedName;
    } collected { &request.headers, {}, {} };
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* into, MHD_ValueKind, const char* name, const char* value) -> MHD_Result {
            auto* collected = static_cast<Collected*>(into);
            if (!name || !value)
                return MHD_YES;
            if (collected->malformed.empty()
                && !(collected->malformed = malformedHeader(name, value)).empty())
                collected->malformedName = name;
            collected->headers->push_back({ name, value });
            return MHD_YES;
        },
        &collected);
    std::size_t headerBytes = request.method.size() + request.target.size() + request.version.size() + 4;
    for (const RequestHeader& header : request.headers)
        headerBytes += header.name.size() + header.value.size() + 4;

    if (headerBytes > kHeaderCap) {
        tracked.outcome = "431";
        return MHD_queue_response(connection, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, m_tooLarge);
    }
    // A request line or header the library read in its own lenient way would hide a header from the
    // level rule, so it is refused as a server must.
    if (!collected.malformed.empty()) {
        tracked.outcome
            = "400 (" + std::string(collected.malformed) + ") " + JudgeLog::quoted(collected.malformedName);
        return MHD_queue_response(connection, MHD_HTTP_BAD_REQUEST, m_badRequest);
    }
    if (pathOf(url ? url : "") != m_options.path) {
        tracked.outcome = "404";
        return MHD_queue_response(connection, MHD_HTTP_NOT_FOUND, m_notFound);
    }
    const LevelVerdict verdict = judgeLevel(request.headers, request.clientAddress);
    tracked.outcome = std::to_string(verdict.level) + " " + JudgePage::levelName(verdict.level);
    if (verdict.level == 3)
        tracked.outcome += " " + JudgeLog::quoted(verdict.header + ": " + verdict.address);
    else if (verdict.level == 2)
        tracked.outcome += " " + JudgeLog::quoted(verdict.header);
    MHD_Response* response = makeResponse(JudgePage::render(request, verdict), MHD_RESPMEM_MUST_COPY);
    const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return queued;
}

// The library's own answers to a request it refused after its request line (431 for a header block
// over its buffer) and its idle timeout.
void JudgeServer::onCompleted(void*, MHD_Connection* connection, void**, MHD_RequestTerminationCode code)
{
    const MHD_ConnectionInfo* context
        = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    auto* tracked = context ? static_cast<Tracked*>(context->socket_context) : nullptr;
    if (!tracked || !tracked->outcome.empty())
        return;
    const MHD_ConnectionInfo* status = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_HTTP_STATUS);
    if (status && status->http_status != 0)
        tracked->outcome = std::to_string(status->http_status);
    else if (code == MHD_REQUEST_TERMINATED_TIMEOUT_REACHED)
        tracked->cut = true;
}

void JudgeServer::onConnection(
    void* cls, MHD_Connection* connection, void** socketState, MHD_ConnectionNotificationCode event)
{
    auto* listener = static_cast<Listener*>(cls);
    JudgeServer* server = listener->server;
    if (event == MHD_CONNECTION_NOTIFY_STARTED) {
        ++listener->open;
        auto* tracked = new Tracked;
        if (const MHD_ConnectionInfo* info
            = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
            tracked->fd = info->connect_fd;
        if (const MHD_ConnectionInfo* info
            = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS))
            tracked->address = JudgeOptions::addressText(info->client_addr, false);
        tracked->deadline = Clock::now() + std::chrono::milliseconds(server->m_options.timeoutMs);
        server->link(tracked);
        *socketState = tracked;
    } else if (auto* tracked = static_cast<Tracked*>(*socketState)) {
        --listener->open;
        server->connectionEnded(*tracked, listener->tls);
        server->unlink(tracked);
        delete tracked;
        *socketState = nullptr;
    }
}

// One log line for every connection, however it ended.
void JudgeServer::connectionEnded(Tracked& tracked, bool tls)
{
    if (m_options.quiet)
        return;
    std::string outcome = tracked.outcome;
    if (!outcome.empty())
        ; // answered here, or by the library after the request line
    else if (tracked.cut) {
        outcome = "cut (timeout)";
    } else if (m_stopping) {
        outcome = "cut (stopping)";
    } else if (const auto traffic = socketTraffic(tracked.fd); !tls && traffic && traffic->first) {
        // The library answered before any request reached this program: its request line was
        // unreadable or did not fit in the library's buffer, which holds more than the header cap.
        outcome = traffic->second > kHeaderCap ? "414" : "400";
    } else {
        outcome = tls ? "closed (no request; TLS handshake failed or not finished)" : "closed (no request)";
    }
    const std::string line = JudgeLog::line(
        std::chrono::system_clock::now(), tracked.address, tracked.method, tracked.target, outcome);
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.data(), line.size());
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
        expired->cut = true;
        if (expired->fd >= 0)
            shutdown(expired->fd, SHUT_RDWR);
    }
}

} // namespace qv
