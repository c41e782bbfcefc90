#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"

namespace qv {

class EpollTcpSocket;
class EpollTimer;
class EpollHostResolver;

// An event loop on one epoll instance: non-blocking sockets, a heap of timer deadlines, a queue
// of work posted to the loop and the host-name look-ups of EpollHostResolver. Linux only. It runs on its own (run()/processEvents()) or inside
// another loop that watches fd() (see QtEpollEventLoop). Sockets and timers it makes must be
// destroyed before it.
class EpollEventLoop final : public EventLoop
{
public:
    EpollEventLoop();
    ~EpollEventLoop() override;
    EpollEventLoop(const EpollEventLoop&) = delete;
    EpollEventLoop& operator=(const EpollEventLoop&) = delete;

    std::unique_ptr<TcpSocket> createSocket() override;
    std::unique_ptr<Timer> createTimer() override;
    void yield() override { processEvents(0); }
    void post(std::function<void()> call) override;
    std::int64_t nowMs() const override;

    // Handles what is due, waiting at most timeoutMs (-1: until something is due) for it.
    // Returns how many events, posted tasks and timer ticks it handled.
    int processEvents(int timeoutMs);
    // Handles events until quit() is called.
    void run();
    void quit() { m_quit = true; }

    // Readable whenever something is due once wakeViaFd(true) has been set: then timers and
    // posted work also make the descriptor readable, for a loop that only watches it.
    int fd() const { return m_epoll; }
    void wakeViaFd(bool on);

    // Monotonic nanoseconds, the timers' clock.
    static std::int64_t nowNs();

    void forgetHostNames() override;
    // Host names are asked of these name servers ("host[:port],...") instead of those in
    // /etc/resolv.conf. For tests, which serve names of their own on loopback.
    void setNameServers(std::string servers);

    // What the loop delivers to a socket later, away from the socket's own calls.
    enum class Task : std::uint8_t { Error = 0, ResumeRead = 1 };
    // Whether socket is still in slot and still on the connection named by key.
    bool isCurrent(std::uint32_t slot, const EpollTcpSocket* socket, std::uint64_t key) const;

private:
    friend class EpollTcpSocket;
    friend class EpollTimer;

    struct Posted
    {
        std::uint32_t slot;
        std::uint64_t key;
        Task task;
        int number;
    };

    // Sockets are found through a slot table, never through pointers kept in the kernel or the
    // queue, so one destroyed while its events wait is simply not found.
    std::uint32_t addSocket(EpollTcpSocket* socket);
    void removeSocket(std::uint32_t slot);
    EpollTcpSocket* find(std::uint32_t slot, std::uint64_t key) const;
    std::uint64_t nextKey() { return ++m_lastKey; }
    static std::uint64_t epollData(std::uint32_t slot, std::uint64_t key);
    void postTask(std::uint32_t slot, std::uint64_t key, Task task, int number = 0);
    EpollHostResolver& resolver();
    int deliverLookups();
    char* scratch() { return m_scratch.data(); }
    std::size_t scratchSize() const { return m_scratch.size(); }

    void arm(EpollTimer* timer, std::int64_t deadlineNs);
    void disarm(EpollTimer* timer);
    // Takes the timer's entry out of the heap, for a timer that goes away.
    void forget(EpollTimer* timer);
    void heapSwap(std::size_t a, std::size_t b);
    bool heapLess(std::size_t a, std::size_t b) const;
    void heapUp(std::size_t i);
    void heapDown(std::size_t i);
    int runDueTimers(std::int64_t now);
    void syncTimerFd();
    void wake();
    void drainWakeFd();
    int runPosted();

    int m_epoll = -1;
    int m_wakeFd = -1; // eventfd: posted work and finished look-ups
    int m_timerFd = -1; // only while waking via fd
    std::int64_t m_timerFdDeadline = -1;
    bool m_wakeViaFd = false;
    bool m_quit = false;
    std::chrono::steady_clock::time_point m_start;

    std::vector<EpollTcpSocket*> m_sockets;
    std::vector<std::uint32_t> m_freeSlots;
    std::uint64_t m_lastKey = 0;
    std::deque<Posted> m_posted;
    std::deque<std::function<void()>> m_calls;
    // The keys are kept in the heap itself, so sifting through thousands of timers reads one array.
    struct TimerEntry
    {
        std::int64_t deadline;
        std::uint64_t order; // ties go to the timer armed first
        EpollTimer* timer;
    };
    std::vector<TimerEntry> m_heap;
    std::uint64_t m_lastArm = 0;
    std::vector<char> m_scratch;
    std::unique_ptr<EpollHostResolver> m_resolver;
    std::string m_nameServers;
};

} // namespace qv
