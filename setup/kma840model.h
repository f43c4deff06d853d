#pragma once

#include "setup/setupmodel.h"

// The KMA840 (model code 1): the name, seven input names and two blocks are read; seven input
// names, the name and two blocks are written, each acknowledged. Its IR byte is 0 when enabled.
namespace kma840 {

// The dialog's values, in the order "Save to PC" stores them; the name follows.
enum Value : int
{
    InputName1,
    RelVol1 = InputName1 + 7,
    Sensit1 = RelVol1 + 7,
    Intens = Sensit1 + 7,
    Balanc,
    DefVol,
    MaxVol,
    DevAdr,
    ComSpe,
    IRenab,
    AmpName,
    ValueCount
};

extern const setup::ModelSpec Spec;

} // namespace kma840
