#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

// Wakes the event loop once a deadline on the monotonic clock has passed. Qt's timers wait in whole
// milliseconds, rounded up, which makes each pause up to a millisecond too long; on Linux a timerfd
// wakes within microseconds of the deadline instead, still sleeping in the event loop. Elsewhere,
// and where no timerfd can be had, a precise QTimer does it.
class PauseTimer : public QObject
{
    Q_OBJECT
public:
    explicit PauseTimer(QObject* parent = nullptr);
    ~PauseTimer() override;

    // Replaces any deadline set before. Whoever handles timeout() checks the deadline: a wake may
    // come for a deadline set before.
    void start(const QDeadlineTimer& deadline);
    void stop();

signals:
    void timeout();

private:
    void expired();

    QTimer m_fallback;
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    // A deadline was set since the last expiry.
    bool m_set = false;
};
