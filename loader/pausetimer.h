#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <chrono>

class PauseClock;

// Wakes the event loop once a deadline on the monotonic clock has passed. Qt's timers wait in whole
// milliseconds, rounded up, which makes each pause up to a millisecond too long; on Linux a timerfd
// wakes within microseconds of the deadline instead, still sleeping in the event loop. All the pause
// timers of a thread share one timerfd, armed for the earliest deadline: ports that fall due together
// are served in one wake, the earliest deadline first, rather than each behind the others' wakes in
// a fixed order. Elsewhere, and where no timerfd can be had, a precise QTimer does it.
class PauseTimer : public QObject
{
    Q_OBJECT
public:
    explicit PauseTimer(QObject* parent = nullptr);
    ~PauseTimer() override;

    // Replaces any deadline set before. timeout() comes once, when the deadline has passed.
    void start(const QDeadlineTimer& deadline);
    void stop();

    // How far ahead of a deadline the calling thread's clock wakes the loop, learned from its last
    // wakes; 0 before any, and where there is no timerfd.
    static std::chrono::nanoseconds wakeLead();

signals:
    void timeout();

private:
    QTimer m_fallback;
    // The thread's shared clock; none where there is no timerfd.
    PauseClock* m_clock = nullptr;
};
