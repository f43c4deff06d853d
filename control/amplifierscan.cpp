#include "control/amplifierscan.h"

#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "serial/linespeed.h"
#include "serial/wait.h"

namespace control {
namespace {

// Start bit, eight data bits, stop bit.
constexpr int BitsPerByte = 10;
constexpr int HandshakeBytes = framing::MinPacketLength + framing::AckSize;

std::chrono::milliseconds wireTime(int speedIndex, int bytes)
{
    const qint32 baud = baudOfSpeedIndex(speedIndex).value_or(SpeedBauds.front());
    return std::chrono::milliseconds((bytes * BitsPerByte * 1000 + baud - 1) / baud);
}

} // namespace

AmplifierScan::AmplifierScan(const PortMap& map, int comPort, int comSpeed, const QString& setupIniPath,
                             std::chrono::milliseconds wait, QObject* parent)
    : QObject(parent), m_session(setupIniPath), m_link(m_session.link()),
      m_timed(m_session, std::max(wait, FollowUpLimit)), m_wait(wait),
      m_wire(wireTime(comSpeed, HandshakeBytes))
{
    m_link.setPortMap(map);
    m_session.useLinkSettings(comPort, comSpeed, m_session.state().DeviceAddress);
}

bool AmplifierScan::run(int from, int to)
{
    const int port = m_session.state().ComPort;
    const int speed = m_session.state().ComSpeed;
    for (int address = from; address <= to && !m_cancelled; ++address) {
        emit trying(address);
        m_session.useLinkSettings(port, speed, QString::number(address));
        if (!m_link.CheckMScomm() && !m_link.SetupMScomm(port, speed))
            return false;
        if (!acknowledges())
            continue;
        const std::optional<Found> found = confirm(address);
        if (!found && m_link.lastProblem().number != 0)
            return false;
        if (found) {
            m_found.append(*found);
            emit answered(*found);
        }
    }
    m_session.drop();
    return true;
}

bool AmplifierScan::acknowledges()
{
    // What came since the last address is no answer to this one.
    m_link.ClearMScommInput();
    if (m_sender.SendShortCommand(Command::ConnectRequest) != RSfunctions::Result::Sent)
        return false;
    // Noise or a late answer ahead of it does not hide an acknowledgement; confirm() tells them apart.
    static constexpr char Ack[] = {framing::AckLength, framing::AckCode};
    const QByteArrayView ack(Ack, framing::AckSize);
    const QByteArray& reply = m_session.state().ReplyBuffer;
    waitUntil([&] { return reply.contains(ack); }, &m_cancelled, m_wire + m_wait);
    return !m_cancelled && reply.contains(ack);
}

std::optional<AmplifierScan::Found> AmplifierScan::confirm(int address)
{
    // The acknowledgement carries no address: one that the address before sent too late looks
    // like this one's. The handshake again, on a freshly opened port, tells.
    m_link.CloseMScomm();
    if (!m_timed.connect())
        return std::nullopt;
    const std::optional<StatusReply> reply = m_timed.poll();
    const Found found{address, reply, m_timed.replyDamaged()};
    m_session.drop();
    return found;
}

void AmplifierScan::cancel()
{
    m_cancelled = true;
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
