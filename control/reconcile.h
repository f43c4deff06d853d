#pragma once

#include "control/operatingstate.h"
#include "control/statusreply.h"

#include <QList>
#include <array>

namespace control {

// One command that brings the amplifier to a wanted value: its command table entry (Command::…) and
// data bytes 1 to 3; bytes the command does not use stay 0.
struct Correction
{
    int command;
    std::array<quint8, 3> data{};

    bool operator==(const Correction&) const = default;
};

struct PollOutcome
{
    OperatingState state;          // wanted values after the reply, clamped, all changed marks cleared
    QList<Correction> corrections; // in the order they must be sent
};

// One complete poll: takes over every field of the reply unless the user has a pending request the
// amplifier disagrees with, and lists the commands that carry those requests to the amplifier.
// With `adoptAmpState` every value is taken over and nothing is sent. The model code is the
// reply's (0 for a unit that does not identify itself: only the common fields are read).
//
// The window must store `state` before it sends the corrections: a click that runs while a
// correction waits for its acknowledgement then sets a mark the next poll still sees.
PollOutcome reconcileStatus(const OperatingState& wanted, const StatusReply& reply, bool adoptAmpState);

} // namespace control
