#pragma once

#include "bench/row.h"

#include <vector>

// The programs' links over a network serial port (ser2net on 127.0.0.1, RFC 2217): a status round
// trip against the same on the pseudo-terminal directly, and the pacing of corlift --flash.
std::vector<Row> networkPortRows(const QString& binDir, bool smoke);
