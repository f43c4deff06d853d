#pragma once

#include "bench/row.h"

// tevlin --scan of a whole line at 9600 baud against ampsim's amplifiers that answer late.
Row scanRow(const QString& binDir, bool smoke);
