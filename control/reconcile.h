#pragma once

#include "control/operatingstate.h"
#include "control/statusreply.h"

#include <QList>
#include <array>

namespace control {

// One command that brings the amplifier to a wanted value. The kinds map one to one onto the
// command table's entries:
//   SetPowerState    -> SetPowerState    (entry 58, code 0x75)
//   SwitchOn         -> SwitchOn         (entry 3,  code 0x11, KMA840)
//   SwitchToStandby  -> SwitchToStandby  (entry 4,  code 0x12, KMA840)
//   SetVolume        -> SetVolume        (entry 53, code 0x70)
//   SetDefaultVolume -> SetDefaultVolume (entry 66, code 0x85)
//   SetMaxVolume     -> SetMaxVolume     (entry 65, code 0x84)
//   SetMute          -> SetMute          (entry 57, code 0x74)
//   MuteOn           -> MuteOn           (entry 6,  code 0x14, KMA840)
//   MuteOff          -> MuteOff          (entry 7,  code 0x15, KMA840)
//   SetBalance       -> SetBalance       (entry 15, code 0x1E, KMA840)
//   SetInput         -> SetInput         (entry 16, code 0x20, KMA840)
//   SetAnalogInput   -> SetAnalogInput   (entry 55, code 0x72)
//   SetDigitalInput  -> SetDigitalInput  (entry 54, code 0x71)
struct Correction
{
    enum class Kind
    {
        SetPowerState,
        SwitchOn,
        SwitchToStandby,
        SetVolume,
        SetDefaultVolume,
        SetMaxVolume,
        SetMute,
        MuteOn,
        MuteOff,
        SetBalance,
        SetInput,
        SetAnalogInput,
        SetDigitalInput,
    };

    Kind kind;
    std::array<quint8, 3> data{}; // data bytes 1 to 3; bytes a command does not use stay 0

    bool operator==(const Correction&) const = default;
};

// Which show operations found their value changed, so the window redraws only those.
struct Redraws
{
    bool volume = false;
    bool defVolume = false;
    bool maxVolume = false;
    bool balance = false;
};

struct PollOutcome
{
    OperatingState state;          // wanted values after the reply, clamped, all changed marks cleared
    QList<Correction> corrections; // in the order they must be sent
    Redraws redraws;
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
