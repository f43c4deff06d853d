#pragma once

#include "control/faceplate.h"

class QLabel;

namespace control {

class PowerLamp;
class SevenSegmentDisplay;

// The amplifier's front as the main window shows it: maker and product type, the power lamp, the
// volume display, and the readouts of input, preset, master/slave, IR receiver and display setting.
// Layout only; the main window fills it.
class FrontPanel : public Faceplate
{
    Q_OBJECT
public:
    explicit FrontPanel(QWidget* parent = nullptr);

    QLabel* ProductType;
    PowerLamp* Power;
    SevenSegmentDisplay* Display;
    QLabel* LblSource;
    QLabel* LblPreset;
    QLabel* LblMS;
    QLabel* LblIR;
    QLabel* LblDisp;
};

} // namespace control
