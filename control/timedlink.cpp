#include "control/timedlink.h"

#include <QTimer>

namespace control {

template <typename Step> void TimedLink::timed(Step&& step)
{
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &m_session, [this] { m_session.drop(); });
    limit.start(m_limit);
    step();
}

bool TimedLink::connect()
{
    if (m_cancelled)
        return false;
    timed([this] { m_session.toggle(); });
    if (m_session.phase() == LinkSession::Phase::Connected)
        return true;
    // A wrong answer leaves the session waiting for a Cancel; nobody will press it here.
    m_session.drop();
    return false;
}

std::optional<StatusReply> TimedLink::poll()
{
    std::optional<StatusReply> reply;
    m_damaged = false;
    if (m_cancelled || !m_session.state().LinkConnected)
        return reply;
    const QMetaObject::Connection taken = QObject::connect(&m_session, &LinkSession::replied, &m_session,
                                                           [&reply](const StatusReply& r) { reply = r; });
    const QMetaObject::Connection damaged =
        QObject::connect(&m_session, &LinkSession::replyDamaged, &m_session, [this] { m_damaged = true; });
    timed([this] { m_session.tick(); });
    QObject::disconnect(taken);
    QObject::disconnect(damaged);
    return reply;
}

void TimedLink::cancel()
{
    m_cancelled = true;
    m_session.drop();
}

} // namespace control
