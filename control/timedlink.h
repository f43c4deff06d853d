#pragma once

#include "control/linksession.h"
#include "control/statusreply.h"

#include <chrono>
#include <optional>

namespace control {

// The link session worked step by step, as a command line or the search for amplifiers does:
// each step gives up after a time limit, as if the user had pressed "Cancel", instead of waiting
// for as long as the amplifier stays silent. The steps are the session's own: the same handshake,
// the same poll with its corrections and acknowledgement waits.
class TimedLink
{
public:
    TimedLink(LinkSession& session, std::chrono::milliseconds limit) : m_session(session), m_limit(limit) {}

    // Opens the port and shakes hands; true when the amplifier acknowledged in time.
    bool connect();
    // One status poll, and the corrections it sends; the reply, or nothing when it did not come in
    // time or came damaged (`replyDamaged` says which). An acknowledgement that does not come in
    // time drops the link after the reply: `LinkConnected` says so.
    std::optional<StatusReply> poll();
    bool replyDamaged() const { return m_damaged; }
    // Ends the running step and drops the link (Ctrl+C, a Cancel button).
    void cancel();
    bool cancelled() const { return m_cancelled; }
    void setLimit(std::chrono::milliseconds limit) { m_limit = limit; }

private:
    template <typename Step> void timed(Step&& step);

    LinkSession& m_session;
    std::chrono::milliseconds m_limit;
    bool m_cancelled = false;
    bool m_damaged = false;
};

} // namespace control
