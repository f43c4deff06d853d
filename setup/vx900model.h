#pragma once

#include "setup/setupmodel.h"

#include <QStringList>
#include <array>

// The VX 900 and VX 900S (model codes 5 and 7): three reads, three write packets, and the oddities
// of its dialog as pure functions.
namespace vx900 {

// The dialog's values, in the order "Save to PC" stores them; those never stored follow.
enum Value : int
{
    DefVol,
    MaxVol,
    AnalogSens1,
    AnalogSens2,
    AnalogSens3,
    AnalogSens4,
    DigitalSens1,
    DigitalSens2,
    DigitalSens3,
    DigitalSens4,
    DigitalSens5,
    LineOutLevel,
    CrossOverFreq,
    DelayMainL,
    DelayMainR,
    DelayLineL,
    DelayLineR,
    IRenab,
    MS,
    Trig,
    DevAdr,
    ComSpe,
    Intens,
    VolumeDispTimeout,
    DisplayBrightness,
    RoutingMainL,
    RoutingMainR,
    RoutingLineL,
    RoutingLineR,
    LineOutControl,
    FilterType,
    AnalogLabel1,
    AnalogLabel2,
    AnalogLabel3,
    AnalogLabel4,
    DigitalLabel1,
    DigitalLabel2,
    DigitalLabel3,
    DigitalLabel4,
    DigitalLabel5,
    Preset,
    PresetLock,
    AmpName,
    Polarity,
    CrossOverLock,
    AuralignInstalled,
    FocusSelected,
    MeasureVolume,
    AdvancedFunction,
    UnitSelect,
    VoicingSelected,
    VolumeControlByte,
    ValueCount
};

extern const setup::ModelSpec Spec;

// The input label list: the label value is the index.
extern const QStringList Labels;
extern const QStringList MainRouting;
extern const QStringList LineRouting;

// The four routing lists in the order Main L, Main R, Line L, Line R.
using Routing = std::array<int, 4>;

// One tick of the routing timer: the left and right output of a pair must come from the same
// group (full range, low pass, high pass, and on the line pair mono). `current` is brought into
// line with whichever side changed since `previous`; `previous` records the sides the user
// changed. A side the rule changed counts as changed on the next tick.
void followRouting(Routing& current, Routing& previous);

// One tick's check of a delay box: a text that is not a number, or whose rounded value lies
// outside 0..999, becomes "0". The delay in cm.
int checkedDelay(QString& text);

QString focusText(int focusSelected);
QString voicingText(int voicingSelected);

} // namespace vx900
