#pragma once

#include "sim/ampmodel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <variant>

// One unit of several on one line, as `--model vx900@7` names it.
struct AmpOnLine
{
    AmpModel model;
    int address;

    bool operator==(const AmpOnLine&) const = default;
};

// The units of the --model values: "vx900" answers at `defaultAddress`, "vx900@7" at 7. Two units
// at one address would answer over each other, so that is refused like an unknown model.
std::variant<QList<AmpOnLine>, QString> ampsOnLine(const QStringList& values, int defaultAddress);
