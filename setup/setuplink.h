#pragma once

#include "protocol/rsfunctions.h"
#include "serial/wait.h"
#include "setup/setupmodel.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace control {
class LinkLease;
}

namespace setup {

// A setup dialog's traffic on the link it leases from the session: the read sequence, the write
// packets and the factory reset. Every wait sleeps in the event loop, says what it waits for, says
// so when the amplifier stays silent, and ends when the user leaves; nothing is sent after that.
class SetupLink : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Done,
        Cancelled, // the user left
        Failed,    // the link went down, or a request could not be sent
        Damaged,   // a read's reply came damaged, and again when asked once more
    };

    explicit SetupLink(control::LinkLease& lease, QObject* parent = nullptr);

    // Each read in order: clear ReplyBuffer, send, wait for at least its reply's minimum length,
    // and for as many bytes as the reply's length byte says if that is more; a reply whose length
    // byte or checksum is wrong is asked for once more. `replies` gets each reply as framed.
    Outcome readAll(std::span<const Read> reads, QList<QByteArray>& replies);
    // The packets in order (one without data is left out); `devAdr` frames SendSetupPacket's.
    Outcome writeAll(std::span<const Packet> packets, const QList<std::optional<QByteArray>>& data,
                     int devAdr);
    Outcome factoryReset();
    // The packets (indices into writeAll's list) the last writeAll handed to the line, and where it
    // waits for one, that the amplifier acknowledged.
    const QList<int>& written() const { return m_written; }

    // The user leaves: the wait that runs ends and nothing more is sent.
    void cancel();
    // How long a wait goes without a reply before notAnswering() (3 s).
    void setSilenceNotice(std::chrono::milliseconds interval) { m_silence.setInterval(interval); }
    bool isWaiting() const { return m_waiting; }

    // The VX 900 dialog's own sender: clears ReplyBuffer and the port's input, closes and reopens
    // the port, frames with the low byte of `devAdr` (high byte 0) and sends; nothing is awaited.
    // Nothing is sent when it cannot be framed.
    // False when the port could not be opened again (the port said why); the link is dropped.
    bool SendSetupPacket(int code, int length, const QByteArray& data, int devAdr);

    static QString readingText(int n, int count);
    static QString writingText(int n, int count);
    static QString notAnsweringText();
    static QString damagedText();

signals:
    // What the running wait waits for; empty when none runs.
    void progress(const QString& text);
    // The running wait has gone a few seconds without a reply.
    void notAnswering();

private:
    Outcome waitFor(qsizetype length);
    Outcome readOnce(const Read& read, QByteArray& reply);
    Outcome takeReply(int minLength, QByteArray& reply);
    Outcome letLineSettle();
    Outcome endedBy(WaitResult result);
    Outcome afterSend(RSfunctions::Result result);
    void startWait(const QString& text);
    void endWait();

    control::LinkLease& m_lease;
    QTimer m_silence;
    bool m_waiting = false;
    bool m_cancelled = false;
    QList<int> m_written;
};

} // namespace setup
