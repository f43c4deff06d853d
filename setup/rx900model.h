#pragma once

#include "setup/setupmodel.h"

// The RX900 (model code 3): four reads, the first its two temperatures, and two acknowledged write
// packets; the name is the amplifier's own.
namespace rx900 {

// The dialog's values, in the order "Save to PC" stores them; those never stored follow.
enum Value : int
{
    Intens,
    DefVol,
    MaxVol,
    DevAdr,
    ComSpe,
    IRenab,
    Adc1,
    Adc2,
    Adc3,
    Adc4,
    Preset,
    MS,
    Trig,
    PresetLock,
    AmpName,
    BridgeTemperature,
    CoilTemperature,
    ValueCount
};

extern const setup::ModelSpec Spec;

// "Tbridge = 45,5 °C" from half degrees, in the user's number format.
QString bridgeText(int halfDegrees);
QString coilText(int halfDegrees);

} // namespace rx900
