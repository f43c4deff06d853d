#pragma once

#include "control/operatingstate.h"

#include <QString>
#include <array>
#include <optional>

namespace control {

constexpr int InputButtonCount = 9; // BtnA1..BtnA4, then BtnD1..BtnD5

// How the operating controls look for one model while it is on or in standby.
struct PanelLayout
{
    bool balanceVisible = false; // LblBalance, SlideBalance, TextBalance and the three balance buttons
    bool balanceEnabled = false;
    std::array<QString, InputButtonCount> inputCaptions;
    std::array<bool, InputButtonCount> inputEnabled{};
    // BtnMute and the volume, start-up volume and maximum volume sliders, buttons and text boxes.
    bool volumeControlsEnabled = false;
    QString sourceLabel;
    QString presetLabel;
    QString masterSlaveLabel;
    bool displayLabelShown = true; // the KMA840 has no display setting to show
};

// The layout of an identified model; nothing for codes without one (the layout stays as it was).
std::optional<PanelLayout> arrangeForModel(int modelCode, const OperatingState& state);

} // namespace control
