#pragma once

#include "protocol/commandtable.h"
#include "protocol/linkstate.h"

#include <QByteArray>
#include <QList>

class ComForm;

// The three packet senders. Each frames one request (framing.h) with the address taken from
// `DeviceAddress`, hands it to the serial link, and where asked waits for the acknowledgement,
// giving up when `LinkCancelRequested` is set. The reply itself is the caller's to read.
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
        // Sent, and the wait was cancelled.
        Cancelled,
        // Out of range: nothing was sent.
        Rejected,
    };

    RSfunctions(LinkState& state, ComForm& link) : m_state(state), m_link(link) {}

    // The request of entry `index` without data and without waiting; ReplyBuffer is left alone
    // (callers clear it before and wait for the reply themselves). The address high byte is always
    // 0. Meant for the entries of length 5; a longer entry goes out with zero data.
    Result SendShortCommand(int index);

    // The request of entry `index` with up to three data bytes (those beyond the entry's length are
    // not sent). Clears ReplyBuffer first; waits for two characters when the entry says so and
    // leaves them in ReplyBuffer. A cancelled wait closes the port and drops the link.
    Result SendCommand(int index, int data1 = 0, int data2 = 0, int data3 = 0);

    // A request with the given code and length and up to 21 data bytes. Clears ReplyBuffer first;
    // with `wait`, waits for two characters and clears ReplyBuffer again. Returns false when the
    // wait was cancelled (the port stays open and ReplyBuffer keeps what it had) and when the
    // request was rejected; true otherwise.
    bool SendLongCommand(int code, int length, const QList<int>& data, bool wait);
    // The same, with the result in full.
    Result sendLong(int code, int length, const QList<int>& data, bool wait);

    static constexpr int MaxLongData = 21;

private:
    bool waitForAcknowledgement();

    LinkState& m_state;
    ComForm& m_link;
};
