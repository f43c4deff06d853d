#pragma once

#include "setup/setupmodel.h"

// The Solstice mk.III (model code 2): the name and one block are read; the name, the remote
// controls (through SetParameter) and one block are written, each acknowledged. Its IR byte is 0
// when enabled, and one byte holds which remote controls it obeys.
namespace solstice {

// The dialog's values, in the order "Save to PC" stores them; those never stored follow.
enum Value : int
{
    Intens,
    DefVol,
    MaxVol,
    DevAdr,
    ComSpe,
    IRBlack,
    IRSilver,
    IRenab,
    Preset,
    MS,
    PresetLock,
    AmpName,
    ValueCount
};

extern const setup::ModelSpec Spec;

} // namespace solstice
