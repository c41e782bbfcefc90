#include "platform/EpollEventLoop.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "platform/EpollHostResolver.h"
#include "platform/EpollTcpSocket.h"
#include "platform/EpollTimer.h"

namespace qv {

namespace {
constexpr int kSlotBits = 24;
constexpr std::uint64_t kSlotMask = (std::uint64_t { 1 } << kSlotBits) - 1;
constexpr std::uint64_t kKeyMask = (std::uint64_t { 1 } << (64 - kSlotBits)) - 1;
// Slot numbers stop short of these, so they never look like a socket's.
constexpr std::uint64_t kWakeData = ~std::uint64_t { 0 };
constexpr std::uint64_t kTimerData = ~std::uint64_t { 0 } - 1;
constexpr std::uint64_t kResolverData = ~std::uint64_t { 0 } - 2;
constexpr std::uint64_t kMaxSockets = kSlotMask - 2;
constexpr int kMaxEvents = 256;
constexpr std::size_t kScratchBytes = 64 * 1024;
} // namespace

EpollEventLoop::EpollEventLoop()
    : m_start(std::chrono::steady_clock::now())
    , m_scratch(kScratchBytes)
{
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_epoll < 0 || m_wakeFd < 0)
        throw std::runtime_error("cannot create the event loop's epoll instance");
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.u64 = kWakeData;
    ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &event);
}

EpollEventLoop::~EpollEventLoop()
{
    m_resolver.reset();
    if (m_timerFd >= 0)
        ::close(m_timerFd);
    ::close(m_wakeFd);
    ::close(m_epoll);
}

std::unique_ptr<TcpSocket> EpollEventLoop::createSocket()
{
    return std::make_unique<EpollTcpSocket>(*this);
}

std::unique_ptr<Timer> EpollEventLoop::createTimer()
{
    return std::make_unique<EpollTimer>(*this);
}

std::int64_t EpollEventLoop::nowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start)
        .count();
}

std::int64_t EpollEventLoop::nowNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Sockets ------------------------------------------------------------------------------------

std::uint32_t EpollEventLoop::addSocket(EpollTcpSocket* socket)
{
    if (!m_freeSlots.empty()) {
        const std::uint32_t slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_sockets[slot] = socket;
        return slot;
    }
    if (m_sockets.size() >= kMaxSockets)
        throw std::runtime_error("too many sockets");
    m_sockets.push_back(socket);
    return static_cast<std::uint32_t>(m_sockets.size() - 1);
}

void EpollEventLoop::removeSocket(std::uint32_t slot)
{
    m_sockets[slot] = nullptr;
    m_freeSlots.push_back(slot);
}

bool EpollEventLoop::isCurrent(std::uint32_t slot, const EpollTcpSocket* socket, std::uint64_t key) const
{
    return slot < m_sockets.size() && m_sockets[slot] == socket && socket->m_key == key;
}

EpollTcpSocket* EpollEventLoop::find(std::uint32_t slot, std::uint64_t key) const
{
    if (slot >= m_sockets.size())
        return nullptr;
    EpollTcpSocket* socket = m_sockets[slot];
    return socket && socket->m_key != 0 && socket->m_key == key ? socket : nullptr;
}

std::uint64_t EpollEventLoop::epollData(std::uint32_t slot, std::uint64_t key)
{
    return ((key & kKeyMask) << kSlotBits) | slot;
}

void EpollEventLoop::postTask(std::uint32_t slot, std::uint64_t key, Task task, int number)
{
    m_posted.push_back({ slot, key, task, number });
    if (m_wakeViaFd && m_posted.size() == 1 && m_calls.empty())
        wake();
}

void EpollEventLoop::post(std::function<void()> call)
{
    m_calls.push_back(std::move(call));
    if (m_wakeViaFd && m_calls.size() == 1 && m_posted.empty())
        wake();
}

EpollHostResolver& EpollEventLoop::resolver()
{
    if (!m_resolver) {
        m_resolver = std::make_unique<EpollHostResolver>([this] {
            if (m_wakeViaFd)
                wake();
        });
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.u64 = kResolverData;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_resolver->fd(), &event);
        if (!m_nameServers.empty())
            m_resolver->setServers(m_nameServers);
    }
    return *m_resolver;
}

void EpollEventLoop::forgetHostNames()
{
    if (m_resolver)
        m_resolver->forgetNames();
}

void EpollEventLoop::setNameServers(std::string servers)
{
    m_nameServers = std::move(servers);
    if (m_resolver)
        m_resolver->setServers(m_nameServers);
}

int EpollEventLoop::deliverLookups()
{
    if (!m_resolver || !m_resolver->hasResults())
        return 0;
    std::vector<EpollHostResolver::Result> results = m_resolver->takeResults();
    for (EpollHostResolver::Result& result : results) {
        // Looked up afresh on every call: a handler may have closed or destroyed the socket.
        EpollTcpSocket* socket = find(result.slot, result.key);
        if (socket && socket->m_lookingUp)
            socket->onResolved(std::move(result));
    }
    return static_cast<int>(results.size());
}

void EpollEventLoop::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

void EpollEventLoop::drainWakeFd()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
}

int EpollEventLoop::runPosted()
{
    int handled = 0;
    // Only what was there before: work posted meanwhile waits for the next round.
    for (std::size_t n = m_posted.size(); n > 0 && !m_posted.empty(); --n) {
        const Posted posted = m_posted.front();
        m_posted.pop_front();
        if (EpollTcpSocket* socket = find(posted.slot, posted.key))
            socket->onPosted(static_cast<int>(posted.task), posted.number);
        ++handled;
    }
    for (std::size_t n = m_calls.size(); n > 0 && !m_calls.empty(); --n) {
        const std::function<void()> call = std::move(m_calls.front());
        m_calls.pop_front();
        call();
        ++handled;
    }
    return handled;
}

// Timers -------------------------------------------------------------------------------------

bool EpollEventLoop::heapLess(std::size_t a, std::size_t b) const
{
    const TimerEntry& x = m_heap[a];
    const TimerEntry& y = m_heap[b];
    return x.deadline != y.deadline ? x.deadline < y.deadline : x.order < y.order;
}

void EpollEventLoop::heapSwap(std::size_t a, std::size_t b)
{
    std::swap(m_heap[a], m_heap[b]);
    m_heap[a].timer->m_heapIndex = a;
    m_heap[b].timer->m_heapIndex = b;
}

void EpollEventLoop::heapUp(std::size_t i)
{
    while (i > 0) {
        const std::size_t parent = (i - 1) / 2;
        if (!heapLess(i, parent))
            break;
        heapSwap(i, parent);
        i = parent;
    }
}

void EpollEventLoop::heapDown(std::size_t i)
{
    for (;;) {
        const std::size_t left = 2 * i + 1;
        if (left >= m_heap.size())
            break;
        std::size_t least = left;
        if (left + 1 < m_heap.size() && heapLess(left + 1, left))
            least = left + 1;
        if (!heapLess(least, i))
            break;
        heapSwap(i, least);
        i = least;
    }
}

// A scan restarts and stops a timer several times per check, nearly always to a later deadline.
// So a timer keeps one heap entry whose key may be earlier than its real deadline, or stand for a
// timer that is stopped: such an entry is set right only when it reaches the top (see
// runDueTimers), about once per interval instead of at every change. The top entry is due only
// when its key is its timer's real deadline, and then no timer is due before it.
void EpollEventLoop::arm(EpollTimer* timer, std::int64_t deadlineNs)
{
    timer->m_armed = true;
    timer->m_deadline = deadlineNs;
    timer->m_order = ++m_lastArm;
    const TimerEntry entry { deadlineNs, timer->m_order, timer };
    if (timer->m_heapIndex == EpollTimer::kNotArmed) {
        timer->m_heapIndex = m_heap.size();
        m_heap.push_back(entry);
        heapUp(timer->m_heapIndex);
    } else if (deadlineNs < m_heap[timer->m_heapIndex].deadline) {
        m_heap[timer->m_heapIndex] = entry;
        heapUp(timer->m_heapIndex);
    }
    if (m_wakeViaFd && (m_timerFdDeadline < 0 || deadlineNs < m_timerFdDeadline))
        syncTimerFd();
}

void EpollEventLoop::disarm(EpollTimer* timer)
{
    timer->m_armed = false;
}

void EpollEventLoop::forget(EpollTimer* timer)
{
    timer->m_armed = false;
    const std::size_t i = timer->m_heapIndex;
    if (i == EpollTimer::kNotArmed)
        return;
    const std::size_t last = m_heap.size() - 1;
    if (i != last)
        heapSwap(i, last);
    m_heap.pop_back();
    timer->m_heapIndex = EpollTimer::kNotArmed;
    if (i < m_heap.size()) {
        heapDown(i);
        heapUp(i);
    }
}

int EpollEventLoop::runDueTimers(std::int64_t now)
{
    int handled = 0;
    // A timer re-armed here is due an interval from now at the earliest, so each ticks once.
    while (!m_heap.empty() && m_heap.front().deadline <= now) {
        TimerEntry& top = m_heap.front();
        EpollTimer* timer = top.timer;
        if (!timer->m_armed) {
            forget(timer);
            continue;
        }
        if (top.deadline != timer->m_deadline || top.order != timer->m_order) {
            top.deadline = timer->m_deadline;
            top.order = timer->m_order;
            heapDown(0);
            continue;
        }
        std::int64_t next = timer->m_deadline + timer->intervalNs();
        if (next <= now)
            next = now + timer->intervalNs();
        arm(timer, next);
        ++handled;
        if (timer->m_onTick)
            timer->m_onTick();
    }
    return handled;
}

void EpollEventLoop::syncTimerFd()
{
    if (m_timerFd < 0 || m_heap.empty())
        return;
    const std::int64_t deadline = m_heap.front().deadline;
    if (m_timerFdDeadline >= 0 && m_timerFdDeadline <= deadline)
        return; // an earlier wake-up is set already; it re-syncs when it comes
    itimerspec when {};
    when.it_value.tv_sec = static_cast<time_t>(deadline / 1000000000);
    when.it_value.tv_nsec = static_cast<long>(deadline % 1000000000);
    if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0)
        when.it_value.tv_nsec = 1;
    ::timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &when, nullptr);
    m_timerFdDeadline = deadline;
}

void EpollEventLoop::wakeViaFd(bool on)
{
    m_wakeViaFd = on;
    if (on && m_timerFd < 0) {
        m_timerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        epoll_event event {};
        event.events = EPOLLIN;
        event.data.u64 = kTimerData;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_timerFd, &event);
    }
    if (on) {
        m_timerFdDeadline = -1;
        syncTimerFd();
        if (!m_posted.empty() || !m_calls.empty())
            wake();
    }
}

// Dispatch -----------------------------------------------------------------------------------

int EpollEventLoop::processEvents(int timeoutMs)
{
    int wait = timeoutMs;
    if (!m_posted.empty() || !m_calls.empty() || (m_resolver && m_resolver->hasResults())) {
        wait = 0;
    } else if (!m_heap.empty() && wait != 0) {
        const std::int64_t left = m_heap.front().deadline - nowNs();
        // Rounded up: waking before the deadline would only mean another wait.
        const std::int64_t ms = left <= 0 ? 0 : (left + 999999) / 1000000;
        if (wait < 0 || ms < wait)
            wait = static_cast<int>(std::min<std::int64_t>(ms, INT_MAX));
    }
    // On the stack, so a handler that processes events itself does not overwrite this batch.
    epoll_event events[kMaxEvents];
    const int n = ::epoll_wait(m_epoll, events, kMaxEvents, wait);
    for (int k = 0; k < n; ++k) {
        const std::uint64_t data = events[k].data.u64;
        if (data == kWakeData) {
            drainWakeFd();
        } else if (data == kResolverData) {
            m_resolver->process();
        } else if (data == kTimerData) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t got = ::read(m_timerFd, &expirations, sizeof expirations);
            m_timerFdDeadline = -1;
        } else {
            const auto slot = static_cast<std::uint32_t>(data & kSlotMask);
            if (slot >= m_sockets.size())
                continue;
            EpollTcpSocket* socket = m_sockets[slot];
            if (socket && socket->m_key != 0 && (socket->m_key & kKeyMask) == (data >> kSlotBits))
                socket->onIo(events[k].events);
        }
    }
    int handled = n > 0 ? n : 0;
    handled += deliverLookups();
    handled += runPosted();
    handled += runDueTimers(nowNs());
    if (m_wakeViaFd) {
        syncTimerFd();
        if (!m_posted.empty() || !m_calls.empty())
            wake();
    }
    return handled;
}

void EpollEventLoop::run()
{
    m_quit = false;
    while (!m_quit)
        processEvents(-1);
}

} // namespace qv
