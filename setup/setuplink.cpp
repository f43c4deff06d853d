#include "setup/setuplink.h"

#include "control/linksession.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "serial/wait.h"

#include <QDeadlineTimer>
#include <QScopeGuard>

namespace setup {
namespace {

// After this long without the reply the dialog says that the amplifier is not answering.
constexpr std::chrono::seconds SilenceNotice{3};
// A reply's bytes follow each other closely: once it has begun, the rest comes within this or the
// reply was cut short (or its length byte claims bytes that were never sent).
constexpr std::chrono::milliseconds RestOfReply{1000};
// Before a damaged reply is asked for again, the line must have been quiet this long (at most
// RestOfReply in all), so that the tail of the damaged reply is not taken for the new one's start.
constexpr std::chrono::milliseconds QuietLine{100};
// A damaged reply is asked for once more: a burst of noise rarely hits twice.
constexpr int DamagedReplyRetries = 1;

QList<int> dataBytes(const QByteArray& data)
{
    QList<int> bytes;
    for (const char c : data)
        bytes << static_cast<unsigned char>(c);
    return bytes;
}

} // namespace

SetupLink::SetupLink(control::LinkLease& lease, QObject* parent) : QObject(parent), m_lease(lease)
{
    m_silence.setSingleShot(true);
    m_silence.setInterval(SilenceNotice);
    connect(&m_silence, &QTimer::timeout, this, &SetupLink::notAnswering);
}

QString SetupLink::readingText(int n, int count)
{
    return tr("Reading the amplifier's settings\u2026 (%1 of %2)").arg(n).arg(count);
}

QString SetupLink::writingText(int n, int count)
{
    return tr("Writing the settings to the amplifier\u2026 (%1 of %2)").arg(n).arg(count);
}

QString SetupLink::notAnsweringText()
{
    return tr("The amplifier is not answering. Check that it is switched on and connected, or press Close.");
}

QString SetupLink::damagedText()
{
    return tr("The amplifier's reply was damaged; nothing was loaded");
}

void SetupLink::cancel()
{
    m_cancelled = true;
    // Only a running wait may take the flag: left set, it would end the main window's next poll.
    if (m_waiting)
        m_lease.cancelWait();
}

void SetupLink::startWait(const QString& text)
{
    m_waiting = true;
    emit progress(text);
    m_silence.start();
}

void SetupLink::endWait()
{
    m_waiting = false;
    m_silence.stop();
}

SetupLink::Outcome SetupLink::afterSend(RSfunctions::Result result)
{
    const bool down = !m_lease.isConnected();
    if (RSfunctions::gaveUp(result))
        return m_cancelled ? Outcome::Cancelled : Outcome::Failed;
    return result == RSfunctions::Result::Rejected || down ? Outcome::Failed : Outcome::Done;
}

SetupLink::Outcome SetupLink::endedBy(WaitResult result)
{
    if (result == WaitResult::Met)
        return Outcome::Done;
    if (result == WaitResult::TimedOut)
        return Outcome::Damaged;
    // The flag was meant for this wait (the user left, or the session dropped the link).
    m_lease.waitOver();
    return m_cancelled ? Outcome::Cancelled : Outcome::Failed;
}

SetupLink::Outcome SetupLink::waitFor(qsizetype length)
{
    const LinkState& s = m_lease.state();
    return endedBy(
        waitUntil([&s, length] { return s.ReplyBuffer.size() >= length; }, &s.LinkCancelRequested));
}

SetupLink::Outcome SetupLink::takeReply(int minLength, QByteArray& reply)
{
    const LinkState& s = m_lease.state();
    // The amplifier may take its time to begin, but not to finish.
    Outcome outcome = waitFor(1);
    if (outcome == Outcome::Done)
        outcome = endedBy(waitUntil([&s, minLength] { return s.ReplyBuffer.size() >= minLength; },
                                    &s.LinkCancelRequested, RestOfReply));
    if (outcome != Outcome::Done)
        return outcome;
    // A reply longer than the read's minimum is framed by its own length byte; one that claims
    // less than the minimum cannot be this read's reply.
    const int length = static_cast<unsigned char>(s.ReplyBuffer.front());
    if (length < minLength)
        return Outcome::Damaged;
    outcome = endedBy(waitUntil([&s, length] { return s.ReplyBuffer.size() >= length; },
                                &s.LinkCancelRequested, RestOfReply));
    if (outcome != Outcome::Done)
        return outcome;
    reply = s.ReplyBuffer.first(length);
    return framing::isIntactReply(reply) ? Outcome::Done : Outcome::Damaged;
}

SetupLink::Outcome SetupLink::letLineSettle()
{
    const LinkState& s = m_lease.state();
    QDeadlineTimer limit(RestOfReply);
    WaitResult result = WaitResult::Met;
    while (result == WaitResult::Met && !limit.hasExpired()) {
        const qsizetype seen = s.ReplyBuffer.size();
        result =
            waitUntil([&s, seen] { return s.ReplyBuffer.size() != seen; }, &s.LinkCancelRequested, QuietLine);
    }
    return result == WaitResult::Cancelled ? endedBy(result) : Outcome::Done;
}

SetupLink::Outcome SetupLink::readOnce(const Read& read, QByteArray& reply)
{
    m_lease.clearReply();
    const Outcome outcome =
        afterSend(read.sender == ReadSender::Short ? m_lease.SendShortCommand(read.command)
                                                   : m_lease.SendCommand(read.command, read.data));
    return outcome == Outcome::Done ? takeReply(read.minLength, reply) : outcome;
}

SetupLink::Outcome SetupLink::readAll(std::span<const Read> reads, QList<QByteArray>& replies)
{
    const auto done = qScopeGuard([this] { emit progress(QString()); });
    replies.clear();
    for (const Read& read : reads) {
        if (m_cancelled)
            return Outcome::Cancelled;
        if (!m_lease.isConnected())
            return Outcome::Failed;
        startWait(readingText(int(replies.size()) + 1, int(reads.size())));
        QByteArray reply;
        Outcome outcome = readOnce(read, reply);
        for (int retry = 0; retry < DamagedReplyRetries && outcome == Outcome::Damaged; ++retry) {
            outcome = letLineSettle();
            if (outcome == Outcome::Done)
                outcome = readOnce(read, reply);
        }
        endWait();
        if (outcome != Outcome::Done)
            return outcome;
        replies << reply;
    }
    m_lease.clearReply();
    return Outcome::Done;
}

SetupLink::Outcome SetupLink::writeAll(std::span<const Packet> packets,
                                       const QList<std::optional<QByteArray>>& data, int devAdr)
{
    const auto done = qScopeGuard([this] { emit progress(QString()); });
    const int count =
        int(std::count_if(data.begin(), data.end(), [](const auto& d) { return d.has_value(); }));
    int n = 0;
    m_written.clear();
    for (qsizetype i = 0; i < qsizetype(packets.size()); ++i) {
        if (m_cancelled)
            return Outcome::Cancelled;
        if (!data.value(i))
            continue;
        const CommandRecord& entry = commandAt(packets[i].command);
        if (packets[i].sender == Sender::SetupPacket) {
            if (!SendSetupPacket(entry.code, entry.length, *data[i], devAdr))
                return Outcome::Failed;
            m_written << int(i);
            continue;
        }
        startWait(writingText(++n, count));
        const QList<int> bytes = dataBytes(*data[i]);
        Outcome outcome;
        if (packets[i].sender == Sender::Command) {
            // SendCommand leaves the acknowledgement in ReplyBuffer; the wait for it ends at once.
            outcome = afterSend(
                m_lease.SendCommand(packets[i].command, bytes.value(0), bytes.value(1), bytes.value(2)));
            if (outcome == Outcome::Done)
                outcome = waitFor(framing::AckSize);
        } else {
            outcome = afterSend(m_lease.sendLong(entry.code, entry.length, bytes, true));
        }
        endWait();
        if (outcome != Outcome::Done)
            return outcome;
        m_written << int(i);
    }
    return Outcome::Done;
}

SetupLink::Outcome SetupLink::factoryReset()
{
    m_lease.clearReply();
    return afterSend(m_lease.SendShortCommand(Command::FactoryReset));
}

bool SetupLink::SendSetupPacket(int code, int length, const QByteArray& data, int devAdr)
{
    const auto packet = framing::framePacket(length, {devAdr & 0xFF, 0}, code, dataBytes(data));
    return packet && m_lease.sendReopened(*packet);
}

} // namespace setup
