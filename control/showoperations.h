#pragma once

#include "control/operatingstate.h"

#include <QLocale>
#include <QString>

namespace control {

// Each brings a wanted value into its display range; the clamped value becomes the wanted value.
// (The balance has no clamp: a step above 12 is shown as it is.)
void clampVolume(OperatingState& state);    // 0..999 and at most the maximum volume
void clampDefVolume(OperatingState& state); // 0..999
void clampMaxVolume(OperatingState& state); // 0..999 and at least the volume

// Text of the balance box: (step - 6) * 0.5 with one decimal; a step above 12 shows the step itself.
QString balanceText(int step, const QLocale& locale = QLocale());

// "A1".."A4" for inputs 1..4, "D1".."D5" for 5..9; the KMA840 shows the plain input number.
QString sourceLabel(int input, int modelCode);
QString presetLabel(int preset);           // "Preset: Bypass" for 8, else "Preset: n"
QString masterSlaveLabel(int masterSlave); // "Master" for 1, else "Slave"
QString irLabel(int irState);              // "IR on" for 0, else "IR off"
QString displayLabel(int display);         // "Disp.: n"

// What the seven-segment display shows, derived from the link and the operating state.
enum class DisplayMode
{
    Dark,    // not connected or not yet polled: nothing lit
    Standby, // only the decimal point lit
    Volume,  // three digits and the decimal point
    Muted,   // three dashes, decimal point unlit
};
DisplayMode displayModeFor(const OperatingState& state, bool lit);

} // namespace control
