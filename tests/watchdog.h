#pragma once

#include <QTest>
#include <QTimer>
#include <chrono>

// The waits under test have no time-out of their own. A peer that never answers (a fault in the
// framing, a simulator that stopped) stops the test program after `limit`, naming the test, so the
// suite fails within seconds instead of stalling until CTest gives up.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [limit] {
            qFatal("no end to a wait on the peer within %lld ms", static_cast<long long>(limit.count()));
        });
        m_timer.start(limit);
    }

private:
    QTimer m_timer;
};
