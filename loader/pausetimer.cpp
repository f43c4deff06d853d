#include "loader/pausetimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <chrono>
#include <vector>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {

qint64 nowNs()
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
}

} // namespace

// One timerfd for all of a thread's pause timers, made by the first of them and closed with the last.
// It is set for the earliest deadline, or earlier: a wake that finds nothing due sets it again.
//
// The loop runs some time after the timerfd fires (on a virtual machine about 0.15 ms, even when
// idle), and each pause of an upload starts when the line before went out, so that time adds up over
// a file. The timerfd is therefore set ahead of the deadline by three quarters of the shortest of the
// last wakes' delays: a wake seldom comes before the deadline, and one that does sets the timerfd
// again for the deadline itself. No pause ends before its deadline either way.
class PauseClock : public QObject
{
public:
    static PauseClock* acquire();
    static PauseClock* current() { return s_clock; }
    void release();

    void arm(PauseTimer* timer, qint64 deadlineNs);
    void disarm(PauseTimer* timer);
    qint64 leadNs() const { return m_leadNs; }

private:
    struct Armed
    {
        PauseTimer* timer;
        qint64 deadlineNs;
        // Which arming this is: a pass serves only what was armed before it began.
        quint64 serial;
    };

    explicit PauseClock(int fd);
    ~PauseClock() override;
    void expired();
    void setTimerFd(qint64 wakeNs);
    // When to wake for `deadlineNs`: ahead of it by the lead, unless that time has come already;
    // never before `now`, so that a wake's delay counts from when it could first have come.
    qint64 wakeFor(qint64 deadlineNs, qint64 now) const;
    void learnDelay(qint64 delayNs);

    static thread_local PauseClock* s_clock;
    int m_fd;
    int m_users = 0;
    QSocketNotifier m_notifier;
    std::vector<Armed> m_armed;
    // What the timerfd is set for; 0 while it is not set, Expired once it has woken the loop and
    // is still to be set again (which also clears its wake).
    qint64 m_setNs = 0;
    static constexpr qint64 Expired = -1;
    quint64 m_nextSerial = 0;
    // The delays of the last wakes, from the time the timerfd was set for to the loop running.
    std::array<qint64, 16> m_delays{};
    std::size_t m_delaysSeen = 0;
    qint64 m_leadNs = 0;
    static constexpr qint64 MaxLeadNs = 2'000'000;
};

thread_local PauseClock* PauseClock::s_clock = nullptr;

PauseClock* PauseClock::acquire()
{
#ifdef Q_OS_LINUX
    if (!s_clock) {
        // QDeadlineTimer counts on the steady clock, which is CLOCK_MONOTONIC here.
        const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd < 0)
            return nullptr;
        s_clock = new PauseClock(fd);
    }
    ++s_clock->m_users;
#endif
    return s_clock;
}

void PauseClock::release()
{
    if (--m_users == 0) {
        s_clock = nullptr;
        delete this;
    }
}

PauseClock::PauseClock(int fd) : m_fd(fd), m_notifier(fd, QSocketNotifier::Read)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &PauseClock::expired);
}

PauseClock::~PauseClock()
{
    m_notifier.setEnabled(false);
#ifdef Q_OS_LINUX
    ::close(m_fd);
#endif
}

void PauseClock::arm(PauseTimer* timer, qint64 deadlineNs)
{
    const auto it = std::ranges::find(m_armed, timer, &Armed::timer);
    if (it != m_armed.end())
        *it = {timer, deadlineNs, m_nextSerial++};
    else
        m_armed.push_back({timer, deadlineNs, m_nextSerial++});
    const qint64 wake = wakeFor(deadlineNs, nowNs());
    if (m_setNs <= 0 || wake < m_setNs)
        setTimerFd(wake);
}

qint64 PauseClock::wakeFor(qint64 deadlineNs, qint64 now) const
{
    // A deadline already past wakes the loop at once (and the wake is never zero, which would disarm
    // the timerfd).
    const qint64 ahead = deadlineNs - m_leadNs;
    return ahead > now ? ahead : std::max(deadlineNs, now);
}

void PauseClock::learnDelay(qint64 delayNs)
{
    if (delayNs < 0)
        return;
    m_delays[m_delaysSeen++ % m_delays.size()] = delayNs;
    const auto seen = m_delays.begin() + std::min(m_delaysSeen, m_delays.size());
    m_leadNs = std::min(*std::min_element(m_delays.begin(), seen) * 3 / 4, MaxLeadNs);
}

void PauseClock::disarm(PauseTimer* timer)
{
    const auto it = std::ranges::find(m_armed, timer, &Armed::timer);
    if (it != m_armed.end())
        m_armed.erase(it);
}

void PauseClock::setTimerFd(qint64 wakeNs)
{
#ifdef Q_OS_LINUX
    // Setting the timer anew also clears an expiry not read yet; all zero disarms it.
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(wakeNs / 1'000'000'000);
    when.it_value.tv_nsec = static_cast<long>(wakeNs % 1'000'000'000);
    ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr);
#endif
    m_setNs = wakeNs;
}

void PauseClock::expired()
{
    // The first handler to start a pause sets the timerfd afresh, which saves clearing it first; it
    // is set at the end if none did. Should a handler run an event loop of its own before that, the
    // wake comes again there, and that pass sets it.
    if (m_setNs > 0)
        learnDelay(nowNs() - m_setNs);
    m_setNs = Expired;
    // Held across the handlers: the last timer may go with one of them.
    ++m_users;
    // Every timer due, the earliest deadline first, looked up anew after each handler: a handler may
    // start, stop or delete any timer, its own included. A deadline that passes while others are
    // served is served in the same pass rather than after another wake; one set during the pass
    // waits for the next, so that a pass always ends.
    const quint64 passBegan = m_nextSerial;
    for (;;) {
        auto first = m_armed.end();
        for (auto it = m_armed.begin(); it != m_armed.end(); ++it) {
            if (it->serial < passBegan && (first == m_armed.end() || it->deadlineNs < first->deadlineNs))
                first = it;
        }
        if (first == m_armed.end() || first->deadlineNs > nowNs())
            break;
        PauseTimer* timer = first->timer;
        m_armed.erase(first);
        emit timer->timeout();
    }
    const qint64 next =
        m_armed.empty() ? 0 : wakeFor(std::ranges::min(m_armed, {}, &Armed::deadlineNs).deadlineNs, nowNs());
    if (next != m_setNs)
        setTimerFd(next);
    release();
}

PauseTimer::PauseTimer(QObject* parent) : QObject(parent), m_clock(PauseClock::acquire())
{
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, &PauseTimer::timeout);
}

PauseTimer::~PauseTimer()
{
    if (m_clock) {
        m_clock->disarm(this);
        m_clock->release();
    }
}

void PauseTimer::start(const QDeadlineTimer& deadline)
{
    if (m_clock)
        m_clock->arm(this, deadline.deadlineNSecs());
    else
        m_fallback.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
}

std::chrono::nanoseconds PauseTimer::wakeLead()
{
    PauseClock* clock = PauseClock::current();
    return std::chrono::nanoseconds(clock ? clock->leadNs() : 0);
}

void PauseTimer::stop()
{
    if (m_clock)
        m_clock->disarm(this);
    m_fallback.stop();
}
