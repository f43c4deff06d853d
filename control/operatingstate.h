#pragma once

namespace control {

constexpr int VolumeMax = 999; // tenths: 99.9
constexpr int BalanceCentre = 6;
constexpr int BalanceMaxStep = 12;
constexpr int PowerOn = 1;
// Inputs 1..4 are the analog A1..A4; input 5 is D1, up to 9 for D5.
constexpr int DigitalInputOffset = 4;

// What the user asked for or what the last reply said, with a changed mark per user request; the
// next poll reconciles each marked value with the amplifier's.
struct OperatingState
{
    int Volume = 0; // tenths
    bool VolumeChanged = false;
    int MaxVolume = VolumeMax;
    bool MaxVolumeChanged = false;
    int DefVolume = 0;
    bool DefVolumeChanged = false;
    bool MuteState = false;
    bool MuteChanged = false;
    int IrState = 0;    // 0 = IR receiver on
    int PowerState = 0; // 1 = on, anything else = standby
    bool PowerChanged = false;
    int InputSelected = 4; // 1..4 analog, 5..9 digital
    bool InputChanged = false;
    int PresetNumber = 1; // 8 = bypass
    int MasterSlave = 1;  // 1 = master
    int BalanceIndex = BalanceCentre;
    bool BalanceChanged = false;

    bool powerIsOn() const { return PowerState == PowerOn; }
    void clearChangedMarks()
    {
        VolumeChanged = MaxVolumeChanged = DefVolumeChanged = false;
        MuteChanged = PowerChanged = InputChanged = BalanceChanged = false;
    }
};

} // namespace control
