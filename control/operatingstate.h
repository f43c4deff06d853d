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
    int volume = 0; // tenths
    bool volumeChanged = false;
    int maxVolume = VolumeMax;
    bool maxVolumeChanged = false;
    int defVolume = 0;
    bool defVolumeChanged = false;
    bool muteState = false;
    bool muteChanged = false;
    int irState = 0;    // 0 = IR receiver on
    int powerState = 0; // 1 = on, anything else = standby
    bool powerChanged = false;
    int inputSelected = 4; // 1..4 analog, 5..9 digital
    bool inputChanged = false;
    int presetNumber = 1; // 8 = bypass
    int masterSlave = 1;  // 1 = master
    int balanceIndex = BalanceCentre;
    bool balanceChanged = false;

    bool powerIsOn() const { return powerState == PowerOn; }
    void clearChangedMarks()
    {
        volumeChanged = maxVolumeChanged = defVolumeChanged = false;
        muteChanged = powerChanged = inputChanged = balanceChanged = false;
    }
};

} // namespace control
