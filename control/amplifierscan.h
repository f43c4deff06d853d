#pragma once

#include "control/linksession.h"
#include "control/statusreply.h"
#include "control/timedlink.h"
#include "protocol/linkstate.h"
#include "protocol/rsfunctions.h"
#include "serial/comform.h"
#include "serial/portmap.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <optional>

namespace control {

// Finds the amplifiers on a line: the handshake at each address in turn on one open port, each
// address given the handshake's time on the wire and `wait` to answer, and for each that does the
// handshake again on a freshly opened port and a status poll, for its model and version. The
// scan has its own link on the port, which must not be in use meanwhile.
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

    // An amplifier acknowledges within a few milliseconds; this finds one that takes 50 ms, with
    // room for the adapter's own delays, and tries 255 addresses in about 18 s at 9600 baud.
    static constexpr std::chrono::milliseconds DefaultWait{60};
    // The second handshake and the status poll of an address that answered: rare, so generous.
    static constexpr std::chrono::milliseconds FollowUpLimit{300};

    AmplifierScan(const PortMap& map, int comPort, int comSpeed, const QString& setupIniPath,
                  std::chrono::milliseconds wait, QObject* parent = nullptr);

    // Tries `from` to `to`; false when the port could not be opened (`portProblem` says why).
    bool run(int from, int to);
    // Ends the scan after the address being tried; what was found stays.
    void cancel();
    bool cancelled() const { return m_cancelled; }
    const QList<Found>& found() const { return m_found; }
    const PortProblem& portProblem() const { return m_link.lastProblem(); }

signals:
    void trying(int address);
    void answered(const control::AmplifierScan::Found& found);

private:
    // The handshake at the address set, on the open port: something acknowledged in time.
    bool acknowledges();
    std::optional<Found> confirm(int address);

    LinkSession m_session;
    ComForm& m_link;
    RSfunctions m_sender{m_session};
    TimedLink m_timed;
    std::chrono::milliseconds m_wait;
    // The handshake request and its acknowledgement at the line's speed.
    std::chrono::milliseconds m_wire;
    QList<Found> m_found;
    bool m_cancelled = false;
};

// "VX 900", "KMA840", … without the version; "Unknown" for code 0, "model N" for other codes.
QString modelName(const StatusReply& reply);

} // namespace control
