#include "setup/rx900model.h"

#include "common/numbers.h"
#include "protocol/commandtable.h"

#include <array>

namespace rx900 {
namespace {

using namespace setup;

// The reads, in order, and the write packets, in order.
constexpr int C4 = 0;
constexpr int C5 = 1;
constexpr int D2 = 2;
constexpr int D4 = 3;
constexpr int C6 = 0;
constexpr int D3 = 1;

constexpr std::array<Read, 4> Reads{{
    {Command::GetTemperatures, 5},
    {Command::GetSettingsC5, 21, ReadSender::Command},
    {Command::GetSettingsD2, 18},
    {Command::GetSettingsD4, 3},
}};
constexpr std::array<Packet, 2> Packets{{
    {Command::SetSettingsC6, Sender::LongCommand},
    {Command::SetSettingsD3, Sender::LongCommand},
}};

// Two entries; a level above 1 reads as 1.
constexpr ListRule HighOrLow{.count = 2, .coerceMin = 0, .coerceMax = 1, .coerceTo = 1};

QString temperature(const char* caption, int halfDegrees)
{
    return QLatin1String(caption) + common::formatOneDecimal(halfDegrees / 2.0) + QStringLiteral(" \u00B0C");
}

constexpr auto Fields = [] {
    std::array<Field, ValueCount> f{};
    f[Intens] =
        listField("Intens", {.count = 2, .reselect = 0, .coerceMin = 0, .coerceMax = 1, .coerceTo = 1},
                  {D2, 12}, {D3, 5}, {"Display", IniForm::Index, "0"}, "0");
    f[DefVol] = numberField("DefVol", Width::Word, {D2, 14}, {D3, 11}, KeptTenths,
                            {"Def Volume", IniForm::AsTyped, "5,0"}, "45,0");
    f[MaxVol] = numberField("MaxVol", Width::Word, {D2, 16}, {D3, 13}, KeptTenths,
                            {"Max Volume", IniForm::AsTyped, "99,9"}, "99,9");
    f[DevAdr] = numberField("DevAdr", Width::Word, {D2, 7}, {D3, 7}, KeptAddress,
                            {"Device Adr", IniForm::AsTyped, "1"}, "1");
    f[ComSpe] = listField("ComSpe", {.count = 3, .reselect = ReselectStored}, {D2, 9}, {D3, 9},
                          {"Com Speed", IniForm::Index, "0"}, "0");
    f[IRenab] = checkField("IRenab", {D2, 6}, {D3, 6}, {"IR enabled", IniForm::Check, "1"}, "1");
    const std::array<const char*, 4> adcKeys{"ADC1", "ADC2", "ADC3", "ADC4"};
    for (int k = 0; k < 4; ++k)
        f[Adc1 + k] = listField(adcKeys[k], HighOrLow, {D2, 2 + k}, {D3, 17 + k},
                                {adcKeys[k], IniForm::Index, "0"}, "0");
    // The link speed, preset, master/slave and trigger are shown as read: a value outside its
    // list selects nothing, and Update sends it back.
    f[Preset] = listField("Preset", {.count = 8, .offset = 1}, {D2, 10}, {D3, 15},
                          {"Preset", IniForm::IndexPlusOne, "0"}, "0");
    f[MS] = listField("MS", {.count = 2}, {D2, 11}, {D3, 10}, {"MasterSlave", IniForm::Index, "0"}, "0");
    f[Trig] = listField("Trig", {.count = 2}, {D2, 13}, {D3, 16}, {"Trigger", IniForm::Index, "0"}, "0");
    f[PresetLock] = presetLockField({D4, 2});
    f[AmpName] = textField("AmpName", 20, {C5, 2}, {C6, 5}, "Korvanes RX900");
    captionCommonRows(f, {AmpName, DevAdr, ComSpe, DefVol, MaxVol, IRenab, Preset, PresetLock});
    f[Intens].caption = "Displa&y";
    f[MS].caption = "&Master/Slave";
    f[Trig].caption = "&Trigger";
    const std::array<const char*, 4> adcCaptions{"ADC level Analog &1", "ADC level Analog &2",
                                                 "ADC level Analog &3", "ADC level Analog &4"};
    for (int k = 0; k < 4; ++k)
        f[Adc1 + k].caption = adcCaptions[k];
    f[BridgeTemperature] = {
        .name = "BridgeTemperature", .kind = Kind::Shown, .read = {C4, 2}, .shownText = bridgeText};
    f[CoilTemperature] = {
        .name = "CoilTemperature", .kind = Kind::Shown, .read = {C4, 4}, .shownText = coilText};
    return f;
}();
static_assert(allNamed(Fields));

} // namespace

const setup::ModelSpec Spec{.name = "RX900",
                            .title = "RX900 setup",
                            .reads = Reads,
                            .packets = Packets,
                            .fields = Fields,
                            .nameField = AmpName,
                            .addressField = DevAdr,
                            .speedField = ComSpe,
                            .defaultCaption = "Default RX900",
                            .updateToolTip = "Save changes to RX900"};

QString bridgeText(int halfDegrees)
{
    return temperature("Tbridge = ", halfDegrees);
}

QString coilText(int halfDegrees)
{
    return temperature("Tcoil = ", halfDegrees);
}

} // namespace rx900
