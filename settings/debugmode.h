#pragma once

#include <QString>

// Debug mode is shared by both programs: "Debug" of section Tevlin, compared as a number, is 86.
// Reading it writes the default "0" back when the key is missing.
bool debugModeOn(const QString& setupIniPath);
