#pragma once

#include "control/operatingstate.h"
#include "protocol/linkstate.h"
#include "protocol/rsfunctions.h"
#include "serial/linespeed.h"
#include "settings/inifilehandler.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

class ComForm;
class PortMenu;

namespace control {

struct StatusReply;

// Tevlin's link to one amplifier, without widgets: the link settings, connect and disconnect, a lost
// port, the status poll with identification and corrections, and the hand-over of the link to a
// setup dialog and back. The main window draws what the session reports and forwards the clicks;
// the setup dialogs talk to the session through `LinkState` and the setup hooks.
//
// The waits for the amplifier run inside the event loop, so a click (Cancel, Discon) runs while a
// wait is on the stack and ends it through LinkCancelRequested.
class LinkSession : public QObject
{
    Q_OBJECT
public:
    enum class Phase
    {
        Idle,       // port closed
        Connecting, // handshake awaited, or answered wrongly: the next click cancels
        Connected,  // acknowledged: the poll runs
    };

    // What a setup dialog leaves behind after it changed the amplifier's address or speed.
    struct SetupLinkValues
    {
        int DevAdr = 0;
        int ComSpe = 0;
    };
    // The setup dialogs, as the program wires them in.
    struct SetupHooks
    {
        // Shows the dialog of a model modally; the dialog owns the link meanwhile (SetupDialogOpen).
        std::function<void(int modelCode)> open;
        // The link values the dialog of a model left, if that model has a dialog.
        std::function<std::optional<SetupLinkValues>(int modelCode)> linkValues;
    };

    LinkSession(LinkState& state, ComForm& link, QString setupIniPath, QObject* parent = nullptr);
    ~LinkSession() override;

    void setSetupHooks(SetupHooks hooks);

    // Start-up: the state of a fresh start, the link settings from setup.ini, the port menu, the poll
    // interval (the timer runs from here on) and the debug window.
    void load();

    Phase phase() const { return m_phase; }
    LinkState& state() { return m_state; }
    ComForm& link() { return m_link; }
    const QString& setupIniPath() const { return m_setupIniPath; }
    const OperatingState& operatingState() const { return m_op; }
    // Made on first use: a run without a window has no menu (its entries need a GUI application).
    PortMenu& portMenu();
    int pollInterval() const { return m_update.interval(); }
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
    // The setup button: the dialog of the identified model opens once no poll is using the link.
    void openSetupDialog();
    // Runs `work` now, or right after the poll that is waiting on the link (a dialog's click can
    // arrive inside that wait, and must not send into it).
    void whenLinkFree(std::function<void()> work);
    // The poll timer's tick: takes back changed link settings, then polls once.
    void tick();
    // The program ends: every wait gives up.
    void shutDown();

    // A user's change of the wanted values; the next poll sends it where the amplifier disagrees.
    void changeWanted(const std::function<void(OperatingState&)>& apply);

signals:
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
    enum class NoticeKind
    {
        Progress,
        Failure,
    };
    void setNotice(const QString& text, NoticeKind kind);
    void clearFailureNotice();
    void reportUnsaved(const IniWriteResult& written);
    void setPhase(Phase phase);
    void portLost();
    void dropUnsendableAddress();
    void readBackLinkSettings();
    void poll();
    bool waitForAmplifier(const std::function<bool()>& condition);
    void linkGone();

    LinkState& m_state;
    ComForm& m_link;
    RSfunctions m_rs;
    QString m_setupIniPath;
    PortMenu* m_ports = nullptr;
    SetupHooks m_setup;
    OperatingState m_op;
    QTimer m_update;
    Phase m_phase = Phase::Idle;
    bool m_polling = false;
    bool m_setupPending = false;
    QList<std::function<void()>> m_afterPoll;
    bool m_panelLit = false;
    bool m_panelStale = false;
    QString m_notice;
    NoticeKind m_noticeKind = NoticeKind::Progress;
};

// The caption of the connect button: "Connect", "Cancel" or "Discon".
QString connectCaption(LinkSession::Phase phase);

} // namespace control
