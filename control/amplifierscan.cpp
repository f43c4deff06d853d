#include "control/amplifierscan.h"

namespace control {

AmplifierScan::AmplifierScan(const PortMap& map, int comPort, int comSpeed, const QString& setupIniPath,
                             std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), m_session(setupIniPath), m_link(m_session.link()), m_timed(m_session, limit)
{
    m_link.setPortMap(map);
    m_session.useLinkSettings(comPort, comSpeed, m_session.state().DeviceAddress);
}

bool AmplifierScan::run(int from, int to)
{
    for (int address = from; address <= to && !m_timed.cancelled(); ++address) {
        emit trying(address);
        m_session.useLinkSettings(m_session.state().ComPort, m_session.state().ComSpeed,
                                  QString::number(address));
        // Each address on a freshly opened port: a late answer of the last one is gone with it.
        const bool acknowledged = m_timed.connect();
        if (!acknowledged && m_link.lastProblem().number != 0)
            return false;
        if (!acknowledged)
            continue;
        const std::optional<StatusReply> reply = m_timed.poll();
        const Found found{address, reply, m_timed.replyDamaged()};
        m_session.drop();
        m_found.append(found);
        emit answered(found);
    }
    m_session.drop();
    return true;
}

void AmplifierScan::cancel()
{
    m_timed.cancel();
}

QString modelName(const StatusReply& reply)
{
    if (const auto caption = productTypeCaption(reply))
        return caption->section(QStringLiteral(" vers. "), 0, 0);
    return reply.identified ? QStringLiteral("model %1").arg(reply.modelCode)
                            : QStringLiteral("unidentified");
}

} // namespace control
