#pragma once

#include <array>
#include <cstdarg>
#include <chrono>
#include <microhttpd.h>
#include <optional>
#include <string>

#include "app/judge/JudgeOptions.h"

namespace qv {

// The judge's HTTP server: one thread, the HTTP library driven from this class's own poll loop so
// that every connection gets a hard deadline (the library's own timeout only counts idle time, which
// a client dribbling a byte at a time never reaches). A plain listener and, when asked for, a TLS one
// serve the same page.
class JudgeServer final
{
public:
    explicit JudgeServer(JudgeOptions options);
    ~JudgeServer();
    JudgeServer(const JudgeServer&) = delete;
    JudgeServer& operator=(const JudgeServer&) = delete;

    // Binds and listens; false with error set when that fails.
    bool start(std::string& error);
    // The address and port a listener listens on (the real port when 0 was asked for).
    std::string boundAddress(bool tls = false) const;
    // Serves until stopFd becomes readable.
    void run(int stopFd);

    // Request headers larger than this, together, are refused with 431.
    static constexpr std::size_t kHeaderCap = 16 * 1024;

private:
    using Clock = std::chrono::steady_clock;
    struct Listener
    {
        JudgeServer* server = nullptr;
        MHD_Daemon* daemon = nullptr;
        bool tls = false;
        int open = 0; // connections the library holds, for knowing when it may accept again
    };
    // One open connection, in a list ordered by deadline (every connection gets the same timeout),
    // with what its log line needs.
    struct Tracked
    {
        Tracked* prev = nullptr;
        Tracked* next = nullptr;
        int fd = -1;
        Clock::time_point deadline;
        bool linked = false;
        bool cut = false;
        std::string address;
        std::string method;
        std::optional<std::string> target; // as received, once its request line is in
        std::string outcome; // what the log says after "->"; empty until known
    };

    static MHD_Result onRequest(void* listener, MHD_Connection* connection, const char* url,
        const char* method, const char* version, const char* uploadData, std::size_t* uploadSize,
        void** requestState);
    static void* onRequestLine(void* listener, const char* target, MHD_Connection* connection);
    static void onCompleted(
        void* listener, MHD_Connection* connection, void** requestState, MHD_RequestTerminationCode code);
    static void onConnection(
        void* listener, MHD_Connection* connection, void** socketState, MHD_ConnectionNotificationCode event);
    bool startListener(Listener& listener, const sockaddr_storage& address, std::string& error);
    MHD_Result answer(MHD_Connection* connection, Tracked& tracked, const char* url, const char* method,
        const char* version);
    void connectionEnded(Tracked& tracked, bool tls);
    // The library's messages; only those of a failed start are kept.
    static void onLibraryMessage(void* self, const char* format, va_list args);
    void link(Tracked* tracked);
    void unlink(Tracked* tracked);
    void cutExpired(Clock::time_point now);

    JudgeOptions m_options;
    std::array<Listener, 2> m_listeners; // plain, TLS
    std::string m_tlsCert; // PEM text, kept while the TLS listener runs
    std::string m_tlsKey;
    MHD_Response* m_notFound = nullptr;
    MHD_Response* m_tooLarge = nullptr;
    MHD_Response* m_badRequest = nullptr;
    Tracked* m_first = nullptr;
    Tracked* m_last = nullptr;
    bool m_stopping = false;
    // The library's explanation of a failed start; its later messages are about single clients, and
    // the request log says enough about those.
    bool m_starting = false;
    std::string m_startMessage;
};

} // namespace qv
