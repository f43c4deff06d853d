#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The amplifiers that ampsim can stand in for.
enum class AmpModel
{
    Kma840,
    Solstice,
    Rx900,
    Vx900,
    Vx900s,
    // A unit that does not identify itself: its status reply is 21 bytes long.
    Generic21,
};

// "kma840", "solstice", "rx900", "vx900", "vx900s", "generic21" (case-insensitive).
std::optional<AmpModel> ampModelFromName(QStringView name);
QString ampModelName(AmpModel model);
QStringList ampModelNames();

// The code the model reports at status position 24 (0 for the generic unit, which reports none).
int ampModelCode(AmpModel model);
// The firmware version a unit of this model reports unless told otherwise.
int defaultFirmwareVersion(AmpModel model);
