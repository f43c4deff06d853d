#include "setup/solsticemodel.h"

#include "protocol/commandtable.h"

#include <array>

namespace solstice {
namespace {

using namespace setup;

// The reads, in order, and the write packets, in order.
constexpr int C5 = 0;
constexpr int CE = 1;
constexpr int C6 = 0;
constexpr int Parameter = 1;
constexpr int CF = 2;

constexpr std::array<Read, 2> Reads{{
    {Command::GetSettingsC5, 21, ReadSender::Command},
    {Command::GetSettingsCE, 16},
}};
constexpr std::array<Packet, 3> Packets{{
    {Command::SetSettingsC6, Sender::LongCommand},
    {Command::SetParameter, Sender::Command},
    {Command::SetSettingsCF, Sender::LongCommand},
}};

// Bit 0 the black remote, bit 1 the silver one; a byte above 3 reads as both.
constexpr Field remote(const char* name, int mask, const char* key)
{
    Field f = checkField(name, {CE, 3}, {Parameter, 5}, {key, IniForm::Check, "1"}, "1");
    f.mask = mask;
    f.copy = {CF, 6};
    f.list = {.coerceMin = 0, .coerceMax = 3, .coerceTo = 3};
    return f;
}

constexpr auto Fields = [] {
    std::array<Field, ValueCount> f{};
    f[Intens] =
        listField("Intens", {.count = 3, .reselect = 1, .coerceMin = 0, .coerceMax = 2, .coerceTo = 0},
                  {CE, 10}, {CF, 5}, {"Display", IniForm::Index, "0"}, "1");
    f[DefVol] = numberField("DefVol", Width::Word, {CE, 12}, {CF, 12}, KeptTenths,
                            {"Def Volume", IniForm::AsTyped, "5,0"}, "45,0");
    f[MaxVol] = numberField("MaxVol", Width::Word, {CE, 14}, {CF, 14}, KeptTenths,
                            {"Max Volume", IniForm::AsTyped, "99,9"}, "99,9");
    f[DevAdr] = numberField("DevAdr", Width::Word, {CE, 5}, {CF, 8}, KeptAddress,
                            {"Device Adr", IniForm::AsTyped, "1"}, "1");
    // A speed of 2 passes the load but has no entry: the list shows none and Update keeps it.
    f[ComSpe] = listField("ComSpe", {.count = 2, .reselect = ReselectStored, .coerceMin = 0, .coerceMax = 2},
                          {CE, 7}, {CF, 10}, {"Com Speed", IniForm::Index, "0"}, "0");
    f[IRBlack] = remote("IRBlack", 1, "IR Black");
    f[IRSilver] = remote("IRSilver", 2, "IR Silver");
    f[IRenab] = checkField("IRenab", {CE, 4}, {Parameter, 6}, {"IR enabled", IniForm::Check, "1"}, "1");
    f[IRenab].inverted = true;
    f[IRenab].copy = {CF, 7};
    // A preset of 0 passes the load and selects nothing.
    f[Preset] = listField("Preset", {.count = 8, .offset = 1, .coerceMin = 0, .coerceMax = 8, .coerceTo = 1},
                          {CE, 8}, {CF, 16}, {"Preset", IniForm::IndexPlusOne, "0"}, "0");
    f[MS] = listField("MS", {.count = 2, .coerceMin = 0, .coerceMax = 1}, {CE, 9}, {CF, 11},
                      {"MasterSlave", IniForm::Index, "0"}, "0");
    f[PresetLock] = presetLockField({CE, 2});
    f[AmpName] = textField("AmpName", 20, {C5, 2}, {C6, 5}, "SOLSTICE mk.III");
    captionCommonRows(f, {AmpName, DevAdr, ComSpe, DefVol, MaxVol, IRenab, Preset, PresetLock});
    f[Intens].caption = "Displa&y";
    f[MS].caption = "&Master/Slave";
    f[IRBlack].caption = "&Black remote";
    f[IRSilver].caption = "Si&lver remote";
    return f;
}();
static_assert(allNamed(Fields));

} // namespace

const setup::ModelSpec Spec{.name = "Solstice",
                            .title = "Solstice mk.III setup",
                            .reads = Reads,
                            .packets = Packets,
                            .fields = Fields,
                            .nameField = AmpName,
                            .addressField = DevAdr,
                            .speedField = ComSpe,
                            .defaultCaption = "Default Solstice",
                            .updateToolTip = "Save changes to Solstice",
                            .defaultToolTip = nullptr};

} // namespace solstice
