#pragma once

#include "control/operatingstate.h"

#include <QStringView>
#include <optional>

namespace control {

// A typed volume in tenths: "45.5" and "45,5" both give 455, halves round to even ("45.45" gives
// 454), and a value beyond 0..999 gives the limit. Nothing when the text is not a number.
std::optional<int> typedTenths(QStringView text);

// A typed balance in dB as a step 0..12: -3.0 .. 3.0 in halves; any other number gives the centre
// (6). Nothing when the text is not a number.
std::optional<int> typedBalanceStep(QStringView text);

// One of the values the level rows set: the three volumes and the balance. Each row steps its value
// by one (a tenth of a volume, half a dB of balance), takes a slider's value or a typed text, marks
// the request and brings the value into its range as the display does.
struct LevelField
{
    int OperatingState::*value;
    bool OperatingState::*changed;
    int highest; // a step or a slider stays within 0..highest
    std::optional<int> (*typed)(QStringView text);
    void (*clamp)(OperatingState& state); // showoperations.h; none for the balance
};

extern const LevelField VolumeLevel;
extern const LevelField DefVolumeLevel;
extern const LevelField MaxVolumeLevel;
extern const LevelField BalanceLevel;

// None of the operating controls sends anything: each changes a wanted value and marks it; the next
// poll carries it to the amplifier. The window redraws afterwards.
void stepLevel(OperatingState& state, const LevelField& field, int delta);
void slideLevel(OperatingState& state, const LevelField& field, int value);
// The Set buttons: a non-numeric text leaves the value and its mark as they were.
void typeLevel(OperatingState& state, const LevelField& field, QStringView text);

// Mute toggles only while the amplifier is on and connected; the request is marked either way.
void pressMute(OperatingState& state, bool linkConnected);

// Power: on takes the start-up volume; standby also asks the amplifier for the start-up volume.
void pressPower(OperatingState& state, bool linkConnected);

// Inputs 1..8 on every model, 9 (D5) only on the RX900, VX900 and VX 900S. A refused request is
// still marked, so the next poll restores the input the panel shows.
void selectInput(OperatingState& state, int input, bool linkConnected, int modelCode);

} // namespace control
