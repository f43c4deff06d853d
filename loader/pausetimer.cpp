#include "loader/pausetimer.h"

#include <QSocketNotifier>
#include <algorithm>
#include <chrono>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

PauseTimer::PauseTimer(QObject* parent) : QObject(parent)
{
    m_fallback.setSingleShot(true);
    m_fallback.setTimerType(Qt::PreciseTimer);
    connect(&m_fallback, &QTimer::timeout, this, &PauseTimer::timeout);
#ifdef Q_OS_LINUX
    // QDeadlineTimer counts on the steady clock, which is CLOCK_MONOTONIC here.
    m_fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PauseTimer::expired);
    }
#endif
}

PauseTimer::~PauseTimer()
{
#ifdef Q_OS_LINUX
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
#endif
}

void PauseTimer::start(const QDeadlineTimer& deadline)
{
    m_set = true;
#ifdef Q_OS_LINUX
    if (m_fd >= 0) {
        // A deadline already past still wakes the loop, at once; zero would disarm the timer.
        const qint64 at = std::max<qint64>(deadline.deadlineNSecs(), 1);
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(at / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(at % 1'000'000'000);
        if (::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr) == 0)
            return;
    }
#endif
    m_fallback.start(std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration()));
}

void PauseTimer::stop()
{
    m_fallback.stop();
#ifdef Q_OS_LINUX
    // New settings also clear an expiry not read yet.
    if (m_fd >= 0) {
        const itimerspec never{};
        ::timerfd_settime(m_fd, 0, &never, nullptr);
    }
#endif
}

void PauseTimer::expired()
{
    // Setting the timer anew clears the expiry, as reading it would: the next pause, set by the
    // handler, saves the read. A wake after the deadline was moved is the handler's to see.
    m_set = false;
    emit timeout();
    if (!m_set)
        stop();
}
