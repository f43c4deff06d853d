#include "serial/wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

WaitResult waitUntil(const std::function<bool()>& condition, const bool* cancel,
                     std::optional<std::chrono::milliseconds> limit)
{
    const QDeadlineTimer deadline =
        limit ? QDeadlineTimer(*limit, Qt::PreciseTimer) : QDeadlineTimer(QDeadlineTimer::Forever);
    // Nothing else may be due when the limit runs out; this timer is what wakes the loop then.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    if (limit)
        wake.start(*limit);

    for (;;) {
        // A cancel handled in the same pass as the awaited reply wins: the user's click has already
        // closed the port, so the reply must not bring the link back.
        if (cancel && *cancel)
            return WaitResult::Cancelled;
        if (condition())
            return WaitResult::Met;
        if (deadline.hasExpired())
            return WaitResult::TimedOut;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void pauseFor(std::chrono::milliseconds duration)
{
    waitUntil([] { return false; }, nullptr, duration);
}
