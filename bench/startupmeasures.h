#pragma once

#include "bench/row.h"

#include <QByteArray>
#include <vector>

// The front panel's share of Tevlin's first frame, from the time stamps Tevlin wrote in each
// start-up (KORVANES_TIMESTAMPS): from the faceplate's paint to the end of the large display's.
Row frontPanelFirstPaint(const std::vector<QByteArray>& timestamps);
