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

// The operating controls. None sends anything: each changes a wanted value, marks it and clamps it
// as the display does; the next poll carries it to the amplifier. The window redraws afterwards.
void stepVolume(OperatingState& state, int delta);
void stepDefVolume(OperatingState& state, int delta);
void stepMaxVolume(OperatingState& state, int delta);
void slideVolume(OperatingState& state, int value);
void slideDefVolume(OperatingState& state, int value);
void slideMaxVolume(OperatingState& state, int value);
// The Set buttons: a non-numeric text leaves the value and its mark as they were.
void setVolumeFromText(OperatingState& state, QStringView text);
void setDefVolumeFromText(OperatingState& state, QStringView text);
void setMaxVolumeFromText(OperatingState& state, QStringView text);

// One step down (delta < 0) or up; stays within 0..12.
void stepBalance(OperatingState& state, int delta);
void slideBalance(OperatingState& state, int step);
void setBalanceFromText(OperatingState& state, QStringView text);

// Mute toggles only while the amplifier is on and connected; the request is marked either way.
void pressMute(OperatingState& state, bool linkConnected);

// Power: on takes the start-up volume; standby also asks the amplifier for the start-up volume.
void pressPower(OperatingState& state, bool linkConnected);

// `SelectInput`: inputs 1..8 on every model, 9 (D5) only on the RX900, VX900 and VX 900S. A refused
// request is still marked, so the next poll restores the input the panel shows.
void SelectInput(OperatingState& state, int input, bool linkConnected, int modelCode);

} // namespace control
