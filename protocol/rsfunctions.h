#pragma once

#include "protocol/commandtable.h"
#include "protocol/linkstate.h"

#include <QByteArray>
#include <QList>

class ComForm;

// The link as the senders use it. Its owner keeps the state: the senders read it and empty the
// receive buffer only through clearReply(), and what happens to the link after a wait went wrong
// is the owner's decision, taken on the sender's result.
class SenderLink
{
public:
    virtual const LinkState& state() const = 0;
    virtual ComForm& link() = 0;
    virtual void clearReply() = 0;

protected:
    ~SenderLink() = default;
};

// The three packet senders. Each frames one request (framing.h) with the address taken from
// `DeviceAddress`, hands it to the serial link, and where asked waits for the acknowledgement,
// giving up when `LinkCancelRequested` is set. The reply itself is the caller's to read. They never
// close the port or change the link's state.
//
// Nothing out of range is ever framed: an index outside 1..106, a data value outside 0..255, a code
// outside 0..255, a length outside 5..40 or an address outside 0..65535 sends nothing and starts no
// wait; the result says so.
class RSfunctions
{
public:
    enum class Result
    {
        // Handed to the port; nothing awaited.
        Sent,
        // Sent, and two characters (the acknowledgement) arrived.
        Acknowledged,
        // Sent, and the wait was cancelled; the port is still open.
        Cancelled,
        // Sent, and the port closed while the acknowledgement was awaited.
        PortLost,
        // Out of range: nothing was sent.
        Rejected,
    };

    explicit RSfunctions(SenderLink& owner) : m_owner(owner) {}

    // The request of entry `index` without data and without waiting; ReplyBuffer is left alone
    // (callers clear it before and wait for the reply themselves). The address high byte is always
    // 0. Meant for the entries of length 5; a longer entry goes out with zero data.
    Result SendShortCommand(int index);

    // The request of entry `index` with up to three data bytes (those beyond the entry's length are
    // not sent). Clears ReplyBuffer first; waits for two characters when the entry says so and
    // leaves them in ReplyBuffer.
    Result SendCommand(int index, int data1 = 0, int data2 = 0, int data3 = 0);

    // A request with the given code and length and up to 21 data bytes. Clears ReplyBuffer first;
    // with `wait`, waits for two characters and clears ReplyBuffer again. Returns false when the
    // wait was given up (ReplyBuffer keeps what it had) and when the request was rejected; true
    // otherwise.
    bool SendLongCommand(int code, int length, const QList<int>& data, bool wait);
    // The same, with the result in full.
    Result sendLong(int code, int length, const QList<int>& data, bool wait);

    static constexpr int MaxLongData = 21;

    // Cancelled and PortLost: the wait was given up.
    static bool gaveUp(Result result) { return result == Result::Cancelled || result == Result::PortLost; }

private:
    Result waitForAcknowledgement();

    SenderLink& m_owner;
};
