#include "control/panellayout.h"

#include "control/showoperations.h"
#include "control/statusreply.h"

namespace control {
namespace {

// Inputs as the KMA840 numbers them: seven, on the first seven buttons.
constexpr int Kma840Inputs = 7;

PanelLayout arrangeInputs(const OperatingState& state, int modelCode, bool hasD5)
{
    PanelLayout layout;
    const bool enabled = state.powerIsOn();
    for (int i = 0; i < InputButtonCount; ++i) {
        const int input = i + 1;
        layout.inputCaptions[i] = input <= DigitalInputOffset
                                      ? QStringLiteral("A%1").arg(input)
                                      : QStringLiteral("D%1").arg(input - DigitalInputOffset);
        layout.inputEnabled[i] = enabled;
    }
    // The Solstice's D5 stays enabled without a caption: pressing it still re-asserts the input.
    if (!hasD5)
        layout.inputCaptions[InputButtonCount - 1].clear();
    layout.volumeControlsEnabled = enabled;
    layout.sourceLabel = sourceLabel(state.inputSelected, modelCode);
    layout.presetLabel = presetLabel(state.presetNumber);
    layout.masterSlaveLabel = masterSlaveLabel(state.masterSlave);
    return layout;
}

PanelLayout arrangeKma840(const OperatingState& state)
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
    layout.sourceLabel = sourceLabel(state.inputSelected, ModelCode::Kma840);
    layout.displayLabelShown = false;
    return layout;
}

} // namespace

std::optional<PanelLayout> arrangeForModel(int modelCode, const OperatingState& state)
{
    switch (modelCode) {
    case ModelCode::Kma840:
        return arrangeKma840(state);
    case ModelCode::Solstice:
        return arrangeInputs(state, ModelCode::Solstice, false);
    case ModelCode::Rx900:
    case ModelCode::Vx900:
    case ModelCode::Vx900S:
        return arrangeInputs(state, ModelCode::Vx900, true);
    default:
        return std::nullopt;
    }
}

} // namespace control
