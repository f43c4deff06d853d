#pragma once

#include "control/linknotices.h"
#include "control/operatingstate.h"
#include "protocol/linkstate.h"
#include "protocol/rsfunctions.h"
#include "serial/comform.h"
#include "serial/linespeed.h"
#include "settings/inifilehandler.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class PortMenu;

namespace control {

struct StatusReply;

class LinkLease;

// Tevlin's link to one amplifier, without widgets, and its only owner: the link settings, the port
// and its receive buffer, connect and disconnect, a lost port, the status poll with identification
// and corrections. Others read the link's state through state(); a setup dialog borrows the link
// through a lease (lease()), and the session applies what the lease hands back.
//
// The waits for the amplifier run inside the event loop, so a click (Cancel, Discon) runs while a
// wait is on the stack and ends it through LinkCancelRequested.
class LinkSession : public QObject, public SenderLink
{
    Q_OBJECT
public:
    enum class Phase
    {
        Idle,       // port closed
        Connecting, // handshake awaited, or answered wrongly: the next click cancels
        Connected,  // acknowledged: the poll runs
    };

    // The amplifier's new address and speed index, as a setup dialog wrote them to it or as the
    // amplifier took them when it was reset.
    struct LinkValues
    {
        int DevAdr = 0;
        int ComSpe = 0;
        LinkMove move = LinkMove::Changed;
    };

    explicit LinkSession(QString setupIniPath, QObject* parent = nullptr);
    ~LinkSession() override;

    // Start-up: the state of a fresh start, the link settings from setup.ini, the port menu, the poll
    // interval (ticks fall on its multiples from here on, while the link is up) and the debug window.
    void load();

    // The link settings for this run only (the command line, the search for amplifiers); setup.ini
    // keeps its own.
    void useLinkSettings(int comPort, int speedIndex, const QString& address);

    Phase phase() const { return m_phase; }
    const LinkState& state() const override { return m_state; }
    ComForm& link() override { return m_link; }
    const QString& setupIniPath() const { return m_setupIniPath; }
    const OperatingState& operatingState() const { return m_op; }
    // Made on first use: a run without a window has no menu (its entries need a GUI application).
    PortMenu& portMenu();
    int pollInterval() const { return m_pollInterval; }
    // Milliseconds to the next tick, -1 when none is due: the timer runs only while the link is up.
    int nextTickIn() const { return m_update.remainingTime(); }
    // How long a wait goes unanswered before the status bar says what to check: a few polls' time
    // unless set.
    void setNoAnswerHint(std::chrono::milliseconds after) { m_noAnswerHint = after; }
    bool isPolling() const { return m_polling; }
    // A reply was taken over since the link came up: the front panel shows the amplifier.
    bool panelLit() const { return m_panelLit && m_state.LinkConnected; }
    // The device went away while the panel showed the amplifier: its last values stay, as stale,
    // until the user acts on the link again.
    bool panelStale() const { return m_panelStale; }

    // The connect button: Idle connects; in any other phase it cancels or disconnects.
    void toggle();
    // The disconnect path, from any phase: closes the port and ends whatever wait is running.
    void drop();
    // Speed index 0 (9600), 1 (57600) or 2 (115200); anything else selects 9600.
    void selectComSpeed(int index);
    // The network address as typed; an empty answer keeps the current one.
    void setDeviceAddress(const QString& answer);
    // The setup button: setupRequested() once no poll is using the link.
    void openSetupDialog();
    // The link for a setup dialog: the poll sends nothing while the lease lives.
    LinkLease lease();
    bool isLeased() const { return m_leased; }
    // The poll timer's tick: polls once, unless the link is leased.
    void tick();
    // The program ends: every wait gives up.
    void shutDown();

    // A user's change of the wanted values; the next poll sends it where the amplifier disagrees.
    void changeWanted(const std::function<void(OperatingState&)>& apply);

signals:
    // The dialog of this model is wanted; its opener takes a lease.
    void setupRequested(int modelCode);
    void phaseChanged(Phase phase);
    void comSpeedChanged(int index);
    // A complete status reply was taken over; its corrections are sent after this.
    void replied(const StatusReply& reply);
    // A status reply arrived damaged (wrong length byte or checksum): nothing of it was used, and
    // the poll counts as missed.
    void replyDamaged();
    void wantedChanged();
    // A line for the status bar; an empty one clears it. A line that reports a failure stays until
    // the user's next action on the link; one that reports progress goes when the wait ends.
    void notice(const QString& text);

private:
    friend class LinkLease;
    enum class NoticeKind
    {
        Progress,
        Failure,
    };
    void setNotice(const QString& text, NoticeKind kind);
    static QString unsavedText(const IniWriteResult& written);
    LinkTarget linkTarget() const;
    std::chrono::milliseconds noAnswerHint() const;
    void clearFailureNotice();
    void reportUnsaved(const IniWriteResult& written);
    void setPhase(Phase phase);
    void portLost();
    void dropUnsendableAddress();
    void applyLinkChange(const LinkValues& values);
    void endLease(const std::optional<LinkValues>& changed);
    // The one place the receive buffer is emptied.
    void clearReply() override;
    // The senders, and what their result does to the link: a wait given up ends it.
    RSfunctions::Result sendCommand(int index, int data1, int data2, int data3);
    RSfunctions::Result sendLong(int code, int length, const QList<int>& data, bool wait);
    void dropAfterWait();
    bool sendReopened(const QByteArray& packet);
    void poll();
    bool waitForAmplifier(const std::function<bool()>& condition);
    void linkGone();
    void resumeTicks();

    LinkState m_state;
    ComForm m_link{m_state.ReplyBuffer};
    RSfunctions m_rs{*this};
    QString m_setupIniPath;
    PortMenu* m_ports = nullptr;
    OperatingState m_op;
    QTimer m_update;
    int m_pollInterval = 0;
    QElapsedTimer m_ticksSince;
    Phase m_phase = Phase::Idle;
    bool m_polling = false;
    bool m_setupPending = false;
    bool m_leased = false;
    bool m_panelLit = false;
    bool m_panelStale = false;
    // The address and speed are the factory ones a reset gave the amplifier, not yet answered at.
    bool m_factoryLink = false;
    std::optional<std::chrono::milliseconds> m_noAnswerHint;
    QString m_notice;
    NoticeKind m_noticeKind = NoticeKind::Progress;
};

// A setup dialog's hold on the session's link. While it lives the poll sends nothing and the
// dialog's traffic goes through it; it ends by handing back the amplifier's new address and speed,
// if they changed, and the session applies them at once. Ended without end(), nothing changed.
class LinkLease
{
public:
    using LinkValues = LinkSession::LinkValues;

    LinkLease(const LinkLease&) = delete;
    LinkLease& operator=(const LinkLease&) = delete;
    ~LinkLease();

    const LinkState& state() const { return m_session.state(); }
    bool isConnected() const { return m_session.state().LinkConnected; }
    const QString& setupIniPath() const { return m_session.setupIniPath(); }

    void clearReply() { m_session.clearReply(); }
    RSfunctions::Result SendShortCommand(int index) { return m_session.m_rs.SendShortCommand(index); }
    // A wait given up drops the link, as the main window's own requests do.
    RSfunctions::Result SendCommand(int index, int data1 = 0, int data2 = 0, int data3 = 0);
    // A wait given up keeps the port.
    RSfunctions::Result sendLong(int code, int length, const QList<int>& data, bool wait)
    {
        return m_session.sendLong(code, length, data, wait);
    }
    // Empties the buffer and the port's input, closes and reopens the port and sends `packet`;
    // false, and the link dropped, when the port could not be opened again (the port said why).
    bool sendReopened(const QByteArray& packet) { return m_session.sendReopened(packet); }

    // The wait that runs gives up (the user leaves).
    void cancelWait() { m_session.m_state.LinkCancelRequested = true; }
    // A wait took the cancel: the next one must not see it.
    void waitOver() { m_session.m_state.LinkCancelRequested = false; }

    // Hands the link back; `changed` is applied at once (stored, and the link dropped). Later calls
    // do nothing.
    void end(const std::optional<LinkValues>& changed);

private:
    friend class LinkSession;
    explicit LinkLease(LinkSession& session);

    LinkSession& m_session;
    bool m_ended = false;
};

// The caption of the connect button: "Connect", "Cancel" or "Discon".
QString connectCaption(LinkSession::Phase phase);

} // namespace control
