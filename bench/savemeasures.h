#pragma once

#include "bench/row.h"

// Save to PC of the VX 900's setup dialog into a setup.ini that already holds many amplifiers, in a
// directory of the user's configuration on the machine's disk, as the programs keep theirs.
Row saveToPcRow(bool smoke);
