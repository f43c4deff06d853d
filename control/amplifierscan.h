#pragma once

#include "control/linksession.h"
#include "control/statusreply.h"
#include "control/timedlink.h"
#include "protocol/linkstate.h"
#include "serial/comform.h"
#include "serial/portmap.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <optional>

namespace control {

// Finds the amplifiers on a line: the handshake at each address in turn, each given a short time
// to answer, and a status poll of each that does, for its model and version. The scan has its own
// link on the port, which must not be in use meanwhile.
class AmplifierScan : public QObject
{
    Q_OBJECT
public:
    struct Found
    {
        int address = 0;
        // Nothing when the amplifier acknowledged but sent no status reply in time, or a damaged one.
        std::optional<StatusReply> reply;
        bool damaged = false;
    };

    AmplifierScan(const PortMap& map, int comPort, int comSpeed, const QString& setupIniPath,
                  std::chrono::milliseconds limit, QObject* parent = nullptr);

    // Tries `from` to `to`; false when the port could not be opened (`portProblem` says why).
    bool run(int from, int to);
    // Ends the scan after the address being tried; what was found stays.
    void cancel();
    bool cancelled() const { return m_timed.cancelled(); }
    const QList<Found>& found() const { return m_found; }
    const PortProblem& portProblem() const { return m_link.lastProblem(); }

signals:
    void trying(int address);
    void answered(const control::AmplifierScan::Found& found);

private:
    LinkSession m_session;
    ComForm& m_link;
    TimedLink m_timed;
    QList<Found> m_found;
};

// "VX 900", "KMA840", … without the version; "Unknown" for code 0, "model N" for other codes.
QString modelName(const StatusReply& reply);

} // namespace control
