#pragma once

#include <cstdarg>
#include <chrono>
#include <microhttpd.h>
#include <string>

#include "app/judge/JudgeOptions.h"

namespace qv {

// The judge's HTTP server: one thread, the HTTP library driven from this class's own poll loop so
// that every connection gets a hard deadline (the library's own timeout only counts idle time, which
// a client dribbling a byte at a time never reaches).
class JudgeServer final
{
public:
    explicit JudgeServer(JudgeOptions options);
    ~JudgeServer();
    JudgeServer(const JudgeServer&) = delete;
    JudgeServer& operator=(const JudgeServer&) = delete;

    // Binds and listens; false with error set when that fails.
    bool start(std::string& error);
    // The address and port it listens on (the real port when 0 was asked for).
    std::string boundAddress() const;
    // Serves until stopFd becomes readable.
    void run(int stopFd);

    // Request headers larger than this, together, are refused with 431.
    static constexpr std::size_t kHeaderCap = 16 * 1024;

private:
    using Clock = std::chrono::steady_clock;
    // One open connection, in a list ordered by deadline (every connection gets the same timeout).
    struct Tracked
    {
        Tracked* prev = nullptr;
        Tracked* next = nullptr;
        int fd = -1;
        Clock::time_point deadline;
        bool linked = false;
    };

    static MHD_Result onRequest(void* self, MHD_Connection* connection, const char* url, const char* method,
        const char* version, const char* uploadData, std::size_t* uploadSize, void** requestState);
    static void onConnection(
        void* self, MHD_Connection* connection, void** socketState, MHD_ConnectionNotificationCode event);
    // The library's messages; only those of a failed start are kept.
    static void onLibraryMessage(void* self, const char* format, va_list args);
    MHD_Result answer(MHD_Connection* connection, const char* url, const char* method, const char* version);
    void link(Tracked* tracked);
    void unlink(Tracked* tracked);
    void cutExpired(Clock::time_point now);
    void log(const std::string& line) const;

    JudgeOptions m_options;
    MHD_Daemon* m_daemon = nullptr;
    MHD_Response* m_notFound = nullptr;
    MHD_Response* m_tooLarge = nullptr;
    Tracked* m_first = nullptr;
    Tracked* m_last = nullptr;
    int m_open = 0; // connections the library holds, for knowing when it may accept again
    // The library's explanation of a failed start; its later messages are about single clients, and
    // the request log says enough about those.
    bool m_starting = false;
    std::string m_startMessage;
};

} // namespace qv
