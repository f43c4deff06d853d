#include "setup/vx900model.h"

#include "common/numbers.h"
#include "protocol/commandtable.h"

#include <array>

namespace vx900 {
namespace {

using namespace setup;

// The reads, in order, and the write packets, in order.
constexpr int D2 = 0;
constexpr int D4 = 1;
constexpr int DA = 2;
constexpr int PacketA = 0;
constexpr int PacketB = 1;
constexpr int PacketC = 2;

constexpr std::array<Read, 3> Reads{{
    {Command::GetSettingsD2, 18},
    {Command::GetSettingsD4, 25},
    {Command::GetSettingsDA, 37},
}};
constexpr std::array<Packet, 3> Packets{{
    {Command::SetSettingsD5, Sender::SetupPacket},
    {Command::SetSettingsDB, Sender::SetupPacket},
    {Command::SetSettingsD3, Sender::SetupPacket},
}};

// A positive line-out level is taken as an attenuation of the same size; the box then shows it
// with a minus sign.
void foldAttenuation(long long& level, QString& text)
{
    if (level < 0) {
        level = -level;
        text.prepend(u'-');
    }
}

constexpr NumberRule Tenths(int replacement)
{
    return {.scale = 10,
            .decimals = 1,
            .min = 0,
            .max = 999,
            .outOfRange = {Fallback::Replace, replacement},
            .notANumber = {Fallback::Replace, replacement}};
}
// Tenths of a dB −12.0..+12.0, carried as 0..240.
constexpr NumberRule Sensitivity{.scale = 10,
                                 .decimals = 1,
                                 .wireOffset = 120,
                                 .min = -120,
                                 .max = 120,
                                 .outOfRange = {Fallback::Clamp},
                                 .notANumber = {Fallback::Replace, 0}};
constexpr NumberRule Delay{
    .min = 0, .max = 999, .outOfRange = {Fallback::Clamp}, .notANumber = {Fallback::Replace, 0}};

constexpr Field sensitivity(const char* key, int readPos, int writePos)
{
    return {.name = key,
            .kind = Kind::Number,
            .width = Width::Word,
            .read = {DA, readPos},
            .write = {PacketB, writePos},
            .number = Sensitivity,
            .ini = {key, IniForm::OneDecimal, "0,0"},
            .factory = "0,0"};
}
constexpr Field list(const char* name, int count, Place read, Place write, IniKey ini, const char* factory)
{
    return {.name = name,
            .kind = Kind::List,
            .read = read,
            .write = write,
            .list = {.count = count},
            .ini = ini,
            .factory = factory};
}
constexpr Field label(const char* key, Place read, Place write, const char* factory)
{
    return list(key, 39, read, write, {key, IniForm::Index, factory}, factory);
}
// A value only carried from its read to its write.
constexpr Field carried(const char* name, Place read, Place write = {})
{
    return {.name = name, .kind = Kind::Shown, .read = read, .write = write};
}

constexpr auto Fields = [] {
    std::array<Field, ValueCount> f{};
    f[DefVol] = {.name = "DefVol",
                 .kind = Kind::Number,
                 .width = Width::Word,
                 .read = {D2, 14},
                 .write = {PacketC, 11},
                 .number = Tenths(0),
                 .ini = {"Def Volume", IniForm::OneDecimal, "55,0"},
                 .factory = "55,0"};
    f[MaxVol] = {.name = "MaxVol",
                 .kind = Kind::Number,
                 .width = Width::Word,
                 .read = {D2, 16},
                 .write = {PacketC, 13},
                 .number = Tenths(999),
                 .ini = {"Max Volume", IniForm::OneDecimal, "99,9"},
                 .factory = "99,9"};
    f[AnalogSens1] = sensitivity("Analog 1 sens", 10, 13);
    f[AnalogSens2] = sensitivity("Analog 2 sens", 12, 15);
    f[AnalogSens3] = sensitivity("Analog 3 sens", 14, 17);
    f[AnalogSens4] = sensitivity("Analog 4 sens", 16, 19);
    f[DigitalSens1] = sensitivity("Digital 1 sens", 18, 21);
    f[DigitalSens2] = sensitivity("Digital 2 sens", 20, 23);
    f[DigitalSens3] = sensitivity("Digital 3 sens", 22, 25);
    f[DigitalSens4] = sensitivity("Digital 4 sens", 24, 27);
    f[DigitalSens5] = sensitivity("Digital 5 sens", 26, 29);
    f[LineOutLevel] = {.name = "LineOutLevel",
                       .kind = Kind::Number,
                       .width = Width::Word,
                       .read = {D4, 4},
                       .write = {PacketA, 10},
                       .number = {.scale = -10,
                                  .decimals = 1,
                                  .min = 0,
                                  .max = 400,
                                  .outOfRange = {Fallback::Clamp},
                                  .notANumber = {Fallback::Replace, 0},
                                  .adjust = foldAttenuation},
                       .ini = {"Lineout level", IniForm::Attenuation, "0,0"},
                       .factory = "0,0"};
    f[CrossOverFreq] = {.name = "CrossOverFreq",
                        .kind = Kind::Number,
                        .width = Width::Word,
                        .read = {D4, 7},
                        .write = {PacketA, 13},
                        .number = {.min = 40,
                                   .max = 9999,
                                   .outOfRange = {Fallback::Clamp},
                                   .notANumber = {Fallback::Replace, 200}},
                        .ini = {"Crossover freq", IniForm::AsTyped, "200"},
                        .factory = "200"};
    const std::array<const char*, 4> delayKeys{"DelayMainL", "DelayMainR", "DelayLineL", "DelayLineR"};
    for (int k = 0; k < 4; ++k)
        f[DelayMainL + k] = {.name = delayKeys[k],
                             .kind = Kind::Number,
                             .width = Width::Word,
                             .read = {DA, 2 + 2 * k},
                             .write = {PacketB, 5 + 2 * k},
                             .number = Delay,
                             .ini = {delayKeys[k], IniForm::AsTyped, "0"},
                             .factory = "0"};
    f[IRenab] = {.name = "IRenab",
                 .kind = Kind::Check,
                 .read = {D2, 6},
                 .write = {PacketC, 6},
                 .ini = {"IR enabled", IniForm::Check, "1"},
                 .factory = "1"};
    f[MS] = list("MS", 2, {D2, 11}, {PacketC, 10}, {"MasterSlave", IniForm::Index, "0"}, "0");
    f[MS].list = {.count = 2, .coerceMin = 0, .coerceMax = 1, .coerceTo = 0};
    f[Trig] = list("Trig", 2, {D2, 13}, {PacketC, 16}, {"Trigger", IniForm::Index, "0"}, "0");
    f[Trig].list = f[MS].list;
    f[DevAdr] = {.name = "DevAdr",
                 .kind = Kind::Number,
                 .width = Width::Word,
                 .read = {D2, 7},
                 .write = {PacketC, 7},
                 .number = {.min = 0,
                            .max = 255,
                            .outOfRange = {Fallback::Replace, 1},
                            .notANumber = {Fallback::Replace, 1}},
                 .ini = {"Device Adr", IniForm::AsTyped, "1"},
                 .factory = "1"};
    f[ComSpe] = list("ComSpe", 3, {D2, 9}, {PacketC, 9}, {"Com Speed", IniForm::Index, "0"}, "1");
    f[ComSpe].list = {.count = 3, .reselect = ReselectStored, .coerceMin = 0, .coerceMax = 2, .coerceTo = 1};
    f[Intens] = list("Intens", 2, {D2, 12}, {PacketC, 5}, {"DisplayTimeout", IniForm::Index, "0"}, "0");
    f[Intens].list = {.count = 2, .reselect = 0, .coerceMin = 0, .coerceMax = 1, .coerceTo = 1};
    f[VolumeDispTimeout] =
        list("VolumeDispTimeout", 2, {D4, 23}, {PacketA, 29}, {"VolDispTimeout", IniForm::Index, "0"}, "0");
    f[DisplayBrightness] = list("DisplayBrightness", 4, {D4, 22}, {PacketA, 28},
                                {"DisplayBrightness", IniForm::Index, "3"}, "3");
    const std::array<const char*, 4> routingKeys{"RoutingMainL", "RoutingMainR", "RoutingLineL",
                                                 "RoutingLineR"};
    for (int k = 0; k < 4; ++k) {
        const char* side = k % 2 == 0 ? "0" : "1";
        f[RoutingMainL + k] = list(routingKeys[k], k < 2 ? 6 : 8, {D4, 11 + k}, {PacketA, 17 + k},
                                   {routingKeys[k], IniForm::Index, side}, side);
    }
    f[LineOutControl] =
        list("LineOutControl", 2, {D4, 6}, {PacketA, 12}, {"LineOutControl", IniForm::Index, "0"}, "0");
    f[FilterType] = list("FilterType", 6, {D4, 10}, {PacketA, 16}, {"FilterType", IniForm::Index, "0"}, "0");
    f[AnalogLabel1] = label("Analog_1_Label_no", {DA, 28}, {PacketB, 31}, "1");
    f[AnalogLabel2] = label("Analog_2_Label_no", {DA, 29}, {PacketB, 32}, "2");
    f[AnalogLabel3] = label("Analog_3_Label_no", {DA, 30}, {PacketB, 33}, "3");
    f[AnalogLabel4] = label("Analog_4_Label_no", {DA, 31}, {PacketB, 34}, "4");
    f[DigitalLabel1] = label("Digital_1_Label_no", {DA, 32}, {PacketB, 35}, "13");
    f[DigitalLabel2] = label("Digital_2_Label_no", {DA, 33}, {PacketB, 36}, "14");
    f[DigitalLabel3] = label("Digital_3_Label_no", {DA, 34}, {PacketB, 37}, "15");
    f[DigitalLabel4] = label("Digital_4_Label_no", {DA, 35}, {PacketB, 38}, "16");
    f[DigitalLabel5] = label("Digital_5_Label_no", {DA, 36}, {PacketB, 39}, "17");
    // Stored as the index + 1; a missing key reads "0", which selects nothing.
    f[Preset] = list("Preset", 8, {D2, 10}, {PacketC, 15}, {"Preset", IniForm::IndexPlusOne, "0"}, "0");
    f[Preset].list = {.count = 8, .offset = 1, .coerceMin = 1, .coerceMax = 8, .coerceTo = 1};
    f[PresetLock] = {.name = "PresetLock",
                     .kind = Kind::PresetLock,
                     .read = {D4, 2},
                     .ini = {"Preset Lock", IniForm::Value}};
    // Every VX 900 on the PC shares this one section.
    f[AmpName] = {.name = "AmpName", .kind = Kind::Text, .width = Width::Text, .factory = "Korvanes VX 900"};
    f[Polarity] = carried("Polarity", {D4, 3});
    f[CrossOverLock] = carried("CrossOverLock", {D4, 9}, {PacketA, 15});
    f[AuralignInstalled] = carried("AuralignInstalled", {D4, 15}, {PacketA, 21});
    f[FocusSelected] = carried("FocusSelected", {D4, 16}, {PacketA, 22});
    f[FocusSelected].shownText = focusText;
    f[MeasureVolume] = carried("MeasureVolume", {D4, 17}, {PacketA, 23});
    f[MeasureVolume].width = Width::Word;
    f[MeasureVolume].number = {.scale = 10, .decimals = 1};
    f[AdvancedFunction] = carried("AdvancedFunction", {D4, 19}, {PacketA, 25});
    f[UnitSelect] = carried("UnitSelect", {D4, 20}, {PacketA, 26});
    f[VoicingSelected] = carried("VoicingSelected", {D4, 21}, {PacketA, 27});
    f[VoicingSelected].shownText = voicingText;
    f[VolumeControlByte] = carried("VolumeControlByte", {D4, 24}, {PacketA, 30});

    captionCommonRows(f, {AmpName, DevAdr, ComSpe, DefVol, MaxVol, IRenab, Preset, PresetLock});
    f[Intens].caption = "Displa&y";
    f[MS].caption = "&Master/Slave";
    f[Trig].caption = "&Trigger";
    f[VoicingSelected].caption = "Voicing selected";
    f[MeasureVolume].caption = "Measure Volume";
    f[FocusSelected].caption = "Focus selected";
    const std::array<const char*, 9> sensitivityCaptions{
        "Analog 1 sens.",  "Analog 2 sens.",  "Analog 3 sens.",  "Analog 4 sens.", "Digital 1 sens.",
        "Digital 2 sens.", "Digital 3 sens.", "Digital 4 sens.", "Digital 5 sens."};
    const std::array<const char*, 9> labelCaptions{"Input name A1", "Input name A2", "Input name A3",
                                                   "Input name A4", "Input name D1", "Input name D2",
                                                   "Input name D3", "Input name D4", "Input name D5"};
    for (int k = 0; k < 9; ++k) {
        f[AnalogSens1 + k].caption = sensitivityCaptions[k];
        f[AnalogLabel1 + k].caption = labelCaptions[k];
    }
    f[LineOutLevel].caption = "&Lineout level";
    f[LineOutControl].caption = "Lineout contr.";
    f[CrossOverFreq].caption = "Crossover fre&q.";
    f[FilterType].caption = "Filter ty&pe";
    const std::array<const char*, 4> routingCaptions{"Routing Main L", "Routing Main R", "Routing Line L",
                                                     "Routing Line R"};
    const std::array<const char*, 4> delayCaptions{"Delay Main L", "Delay Main R", "Delay Line L",
                                                   "Delay Line R"};
    for (int k = 0; k < 4; ++k) {
        f[RoutingMainL + k].caption = routingCaptions[k];
        f[DelayMainL + k].caption = delayCaptions[k];
    }
    f[DisplayBrightness].caption = "Disp. &Brightness";
    f[VolumeDispTimeout].caption = "Vol.disp. timeout";
    return f;
}();
static_assert(allNamed(Fields));

// The left entry of a group is even, the right one odd; the mono entries stand for both sides.
int follow(int leader, int follower, bool followerIsLeft, bool line)
{
    const int side = followerIsLeft ? 0 : 1;
    const auto outside = [follower](int low) { return follower < low || follower > low + 1; };
    if (leader >= 0 && leader <= 1 && follower > 1)
        return side;
    if (leader >= 2 && leader <= 3 && outside(2))
        return 2 + side;
    if (leader >= 4 && leader <= 5 && (line ? outside(4) : follower < 4))
        return 4 + side;
    if (line && leader >= 6 && leader <= 7)
        return leader;
    return follower;
}

void followPair(int& left, int& right, int& previousLeft, int& previousRight, bool line)
{
    if (left == previousLeft) {
        if (right != previousRight) {
            left = follow(right, left, true, line);
            previousRight = right;
        }
        return;
    }
    right = follow(left, right, false, line);
    previousLeft = left;
}

} // namespace

const setup::ModelSpec Spec{.name = "VX 900",
                            .title = "VX 900 setup",
                            .reads = Reads,
                            .packets = Packets,
                            .fields = Fields,
                            .nameField = AmpName,
                            .addressField = DevAdr,
                            .speedField = ComSpe,
                            .defaultCaption = "Default VX 900",
                            .updateToolTip = "Save changes to VX 900"};

const QStringList Labels{"ADC",       "ANALOG 1",  "ANALOG 2",
                         "ANALOG 3",  "ANALOG 4",  "AUX",
                         "CD",        "PL-4",      "CD-2",
                         "DAB",       "DAT",       "DBS",
                         "DCC",       "DIGITAL 1", "DIGITAL 2",
                         "DIGITAL 3", "DIGITAL 4", "DIGITAL 5",
                         "DVD",       "DVD-1",     "DVD-2",
                         "FM",        "LD",        "MD",
                         "PC",        "PHONO",     "PLAYING CONSOLE",
                         "RADIO",     "RIAA",      "SACD",
                         "SAT",       "TAPE",      "TUNER",
                         "TV",        "VCR",       "VDP",
                         "VIDEO",     "VIDEO-1",   "VIDEO-2"};
const QStringList MainRouting{"Left", "Right", "LP Left", "LP Right", "HP Left", "HP Right"};
const QStringList LineRouting = MainRouting + QStringList{"Mono", "LP Mono"};

void followRouting(Routing& current, Routing& previous)
{
    followPair(current[0], current[1], previous[0], previous[1], false);
    followPair(current[2], current[3], previous[2], previous[3], true);
}

int checkedDelay(QString& text)
{
    const std::optional<double> typed = common::parseUserNumber(text);
    const long long delay = typed ? common::roundHalfEven(*typed) : -1;
    if (delay < 0 || delay > 999) {
        text = QStringLiteral("0");
        return 0;
    }
    return static_cast<int>(delay);
}

QString focusText(int focusSelected)
{
    if (focusSelected >= 1 && focusSelected <= 8)
        return QStringLiteral("Focus %1").arg(focusSelected);
    return focusSelected == 9 ? QStringLiteral("Global") : QStringLiteral("Bypass");
}

QString voicingText(int voicingSelected)
{
    return voicingSelected != 0 ? QStringLiteral("Voicing %1").arg(voicingSelected)
                                : QStringLiteral("Neutral Voicing");
}

} // namespace vx900
