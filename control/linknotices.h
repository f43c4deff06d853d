#pragma once

#include <QString>

struct PortProblem;

namespace control {

// What the main window says about the link, composed without widgets: every text names the port,
// the address and the speed it is about, and says what the user can do next.

// Where the link goes: the port as the menu shows it ("/dev/ttyUSB0 (COM3)"), the amplifier's
// address as set, and the line speed.
struct LinkTarget
{
    QString port;
    QString address;
    qint32 baud = 0;
};

// Why the amplifier answers somewhere else now: a setup dialog wrote a new Link ID or speed to it,
// or it was reset to its factory settings.
enum class LinkMove
{
    Changed,
    Reset,
};

// After a setup dialog moved the amplifier: where it answers now, and to press Connect.
QString linkMovedNotice(LinkMove move, const QString& address, qint32 baud);
// A wait for the amplifier's reply that has lasted a few seconds: on which port, and the button that
// ends it (`stopCaption`); below, the address and speed, or once `missed` (a few polls' time without
// the reply) what to check. `factory` says that the address and speed are the factory ones the
// amplifier took when it was reset. Two lines, as the status bar keeps room for.
QString waitingNotice(const QString& stopCaption, const LinkTarget& target, bool missed, bool factory);
// The user gave up such a wait: where nothing answered, and what to check.
QString noAnswerNotice(const LinkTarget& target, bool factory);
// The port did not open: which one, and why in the serial layer's words (none: the device is
// missing from the port map).
QString openFailedNotice(const QString& port, const PortProblem& problem, bool hasDevice);
// Connect finds no port it could open; `why` is the port menu's own line.
QString noUsablePortNotice(const QString& why);
// Setup pressed where no setup dialog can open: before the first status reply, for an amplifier
// that reports no model, or for a model code without a dialog.
QString noSetupDialogNotice(int modelCode, bool replied);

} // namespace control
