#include "control/panellayout.h"

#include "control/showoperations.h"
#include "control/statusreply.h"

namespace control {
namespace {

// Inputs as the KMA840 numbers them: seven, on the first seven buttons.
constexpr int Kma840Inputs = 7;
constexpr int AnalogInputs = 4;

PanelLayout arrangeInputs(const OperatingState& state, int modelCode, bool hasD5)
{
    PanelLayout layout;
    const bool enabled = state.powerIsOn();
    for (int i = 0; i < InputButtonCount; ++i) {
        const int input = i + 1;
        layout.inputCaptions[i] = input <= AnalogInputs ? QStringLiteral("A%1").arg(input)
                                                        : QStringLiteral("D%1").arg(input - AnalogInputs);
        layout.inputEnabled[i] = enabled;
    }
    // The Solstice's D5 stays enabled without a caption: pressing it still re-asserts the input.
    if (!hasD5)
        layout.inputCaptions[InputButtonCount - 1].clear();
    layout.volumeControlsEnabled = enabled;
    layout.sourceLabel = sourceLabel(state.InputSelected, modelCode);
    layout.presetLabel = presetLabel(state.PresetNumber);
    layout.masterSlaveLabel = masterSlaveLabel(state.MasterSlave);
    return layout;
}

} // namespace

PanelLayout ArrangeKma840(const OperatingState& state)
{
    PanelLayout layout;
    const bool enabled = state.powerIsOn();
    layout.balanceVisible = true;
    layout.balanceEnabled = enabled;
    for (int i = 0; i < InputButtonCount; ++i) {
        const bool used = i < Kma840Inputs;
        layout.inputCaptions[i] = used ? QString::number(i + 1) : QString();
        layout.inputEnabled[i] = used && enabled;
    }
    layout.volumeControlsEnabled = enabled;
    layout.sourceLabel = sourceLabel(state.InputSelected, ModelCode::Kma840);
    layout.displayLabelShown = false;
    return layout;
}

PanelLayout ArrangeSolstice(const OperatingState& state)
{
    return arrangeInputs(state, ModelCode::Solstice, false);
}

PanelLayout ArrangeStandard(const OperatingState& state)
{
    return arrangeInputs(state, ModelCode::Vx900, true);
}

std::optional<PanelLayout> arrangeForModel(int modelCode, const OperatingState& state)
{
    switch (modelCode) {
    case ModelCode::Kma840:
        return ArrangeKma840(state);
    case ModelCode::Solstice:
        return ArrangeSolstice(state);
    case ModelCode::Rx900:
    case ModelCode::Vx900:
    case ModelCode::Vx900S:
        return ArrangeStandard(state);
    default:
        return std::nullopt;
    }
}

} // namespace control
