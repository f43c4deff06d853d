#include "setup/kma840model.h"

#include "protocol/commandtable.h"

#include <array>

namespace kma840 {
namespace {

using namespace setup;

// The reads: the name, the seven input names, then the two blocks. The packets: the seven input
// names, the name, then the two blocks.
constexpr int C5 = 0;
constexpr int FirstInputName = 1;
constexpr int CA = 8;
constexpr int CC = 9;
constexpr int C6 = 7;
constexpr int CB = 8;
constexpr int CD = 9;

constexpr auto Reads = [] {
    std::array<Read, 10> r{};
    r[C5] = {Command::GetSettingsC5, 21, ReadSender::Command};
    for (int n = 1; n <= 7; ++n)
        r[FirstInputName + n - 1] = {Command::GetInputName, 8, ReadSender::Command, n};
    r[CA] = {Command::GetSettingsCA, 30};
    r[CC] = {Command::GetSettingsCC, 11};
    return r;
}();
constexpr auto Packets = [] {
    std::array<Packet, 10> p{};
    // Each input name goes out behind its input's index, counted from 0.
    for (int n = 1; n <= 7; ++n)
        p[n - 1] = {Command::SetInputName, Sender::LongCommand, n - 1};
    p[C6] = {Command::SetSettingsC6, Sender::LongCommand};
    p[CB] = {Command::SetSettingsCB, Sender::LongCommand};
    p[CD] = {Command::SetSettingsCD, Sender::LongCommand};
    return p;
}();

// Up to ±6.0 dB in tenths. Beyond it the amplifier gets 0 dB; a text that is no number goes out
// as magnitude 0 with the negative sign byte.
constexpr NumberRule RelativeVolume{.scale = 10,
                                    .decimals = 1,
                                    .min = -60,
                                    .max = 60,
                                    .outOfRange = {Fallback::Replace, 0},
                                    .notANumber = {Fallback::Replace, NegativeZero}};

constexpr std::array<const char*, 7> InputKeys{"Input 1 name", "Input 2 name", "Input 3 name", "Input 4 name",
                                               "Input 5 name", "Input 6 name", "Input 7 name"};
constexpr std::array<const char*, 7> InputDefaults{"INPUT1", "INPUT2", "INPUT3", "INPUT4",
                                                   "INPUT5", "INPUT6", "INPUT7"};
constexpr std::array<const char*, 7> InputFactory{"USER 1", "USER 2", "USER 3", "USER 4",
                                                  "USER 5", "USER 6", "USER 7"};
constexpr std::array<const char*, 7> RelVolKeys{"RelVol 1", "RelVol 2", "RelVol 3", "RelVol 4",
                                                "RelVol 5", "RelVol 6", "RelVol 7"};
constexpr std::array<const char*, 7> SensitivityKeys{"Sensitivity 1", "Sensitivity 2", "Sensitivity 3",
                                                     "Sensitivity 4", "Sensitivity 5", "Sensitivity 6",
                                                     "Sensitivity 7"};
// The input rows: a name box under its row's label, the other two named by row and column.
constexpr std::array<const char*, 7> InputCaptions{"Input &1", "Input &2", "Input &3", "Input &4",
                                                   "Input &5", "Input &6", "Input &7"};
constexpr std::array<const char*, 7> RelVolCaptions{
    "Input 1 Rel. Vol./dB", "Input 2 Rel. Vol./dB", "Input 3 Rel. Vol./dB", "Input 4 Rel. Vol./dB",
    "Input 5 Rel. Vol./dB", "Input 6 Rel. Vol./dB", "Input 7 Rel. Vol./dB"};
constexpr std::array<const char*, 7> SensitivityCaptions{
    "Input 1 Sensitivity", "Input 2 Sensitivity", "Input 3 Sensitivity", "Input 4 Sensitivity",
    "Input 5 Sensitivity", "Input 6 Sensitivity", "Input 7 Sensitivity"};

constexpr auto Fields = [] {
    std::array<Field, ValueCount> f{};
    for (int k = 0; k < 7; ++k) {
        // The amplifier keeps six characters of an input's name: a longer one is cut.
        f[InputName1 + k] = textField(InputKeys[k], 6, {FirstInputName + k, 2}, {k, 6}, InputFactory[k]);
        f[InputName1 + k].cutText = true;
        f[InputName1 + k].ini = {InputKeys[k], IniForm::Trimmed, InputDefaults[k]};
        f[RelVol1 + k] = numberField(RelVolKeys[k], Width::SignMagnitude, {CA, 2 + 3 * k}, {CB, 5 + 3 * k},
                                     RelativeVolume, {RelVolKeys[k], IniForm::AsTyped, "0,0"}, "0,0");
        f[Sensit1 + k] = listField(SensitivityKeys[k], {.count = 2, .reselect = ReselectStored}, {CA, 23 + k},
                                   {CD, 15 + k}, {SensitivityKeys[k], IniForm::Index, "0"}, "0");
    }
    f[Intens] = listField("Intens", {.count = 5, .reselect = 4}, {CC, 2}, {CD, 5},
                          {"Display", IniForm::Index, "4"}, "4");
    f[Balanc] = listField("Balanc", {.count = 13, .reselect = 6}, {CC, 7}, {CD, 10},
                          {"Balance", IniForm::Index, "6"}, "6");
    f[DefVol] = numberField("DefVol", Width::Word, {CC, 8}, {CD, 11}, KeptTenths,
                            {"Def Volume", IniForm::AsTyped, "0,0"}, "45,0");
    f[MaxVol] = numberField("MaxVol", Width::Word, {CC, 10}, {CD, 13}, KeptTenths,
                            {"Max Volume", IniForm::AsTyped, "99,9"}, "99,9");
    f[DevAdr] = numberField("DevAdr", Width::Word, {CC, 4}, {CD, 7}, KeptAddress,
                            {"Device Adr", IniForm::AsTyped, "2"}, "2");
    // "115200" is in the list but the amplifier does not take it.
    f[ComSpe] = listField("ComSpe", {.count = 3, .acceptLast = 1, .reselect = ReselectStored}, {CC, 6},
                          {CD, 9}, {"Com Speed", IniForm::Index, "1"}, "1");
    f[IRenab] = checkField("IRenab", {CC, 3}, {CD, 6}, {"IR enabled", IniForm::Check, "1"}, "1");
    f[IRenab].inverted = true;
    f[AmpName] = textField("AmpName", 20, {C5, 2}, {C6, 5}, "Korvanes KMA 840    ");
    captionCommonRows(f, {AmpName, DevAdr, ComSpe, DefVol, MaxVol, IRenab});
    f[Intens].caption = "&Brightn.";
    f[Balanc].caption = "B&alance (L-R)";
    for (int k = 0; k < 7; ++k) {
        f[InputName1 + k].caption = InputCaptions[k];
        f[RelVol1 + k].caption = RelVolCaptions[k];
        f[Sensit1 + k].caption = SensitivityCaptions[k];
    }
    return f;
}();
static_assert(allNamed(Fields));

} // namespace

const setup::ModelSpec Spec{.name = "KMA840",
                            .title = "KMA 840 setup",
                            .reads = Reads,
                            .packets = Packets,
                            .fields = Fields,
                            .nameField = AmpName,
                            .addressField = DevAdr,
                            .speedField = ComSpe,
                            .defaultCaption = "Default",
                            .updateToolTip = "Save changes to KMA",
                            .factoryChecksSaved = false};

} // namespace kma840
