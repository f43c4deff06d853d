#include "control/operatingactions.h"

#include "common/numbers.h"
#include "control/showoperations.h"
#include "control/statusreply.h"

#include <algorithm>

namespace control {
namespace {

std::optional<long long> typedTimesTen(QStringView text)
{
    const std::optional<double> number = common::parseUserNumber(text);
    if (!number)
        return std::nullopt;
    return common::roundHalfEven(*number * 10.0);
}

constexpr int HighestInput = 9;
constexpr int HighestCommonInput = 8;
constexpr long long BalanceLimitTenths = 30; // 3.0 dB each way
constexpr long long BalanceStepTenths = 5;

} // namespace

std::optional<int> typedTenths(QStringView text)
{
    const std::optional<long long> tenths = typedTimesTen(text);
    if (!tenths)
        return std::nullopt;
    return static_cast<int>(std::clamp<long long>(*tenths, 0, VolumeMax));
}

std::optional<int> typedBalanceStep(QStringView text)
{
    const std::optional<long long> tenths = typedTimesTen(text);
    if (!tenths)
        return std::nullopt;
    const long long t = *tenths;
    if (t < -BalanceLimitTenths || t > BalanceLimitTenths || t % BalanceStepTenths != 0)
        return BalanceCentre;
    return static_cast<int>((t + BalanceLimitTenths) / BalanceStepTenths);
}

void stepVolume(OperatingState& state, int delta)
{
    state.Volume += delta;
    state.VolumeChanged = true;
    ShowVolume(state);
}

void stepDefVolume(OperatingState& state, int delta)
{
    state.DefVolume += delta;
    state.DefVolumeChanged = true;
    ShowDefVolume(state);
}

void stepMaxVolume(OperatingState& state, int delta)
{
    state.MaxVolume += delta;
    state.MaxVolumeChanged = true;
    ShowMaxVolume(state);
}

void slideVolume(OperatingState& state, int value)
{
    state.Volume = value;
    state.VolumeChanged = true;
    ShowVolume(state);
}

void slideDefVolume(OperatingState& state, int value)
{
    state.DefVolume = value;
    state.DefVolumeChanged = true;
    ShowDefVolume(state);
}

void slideMaxVolume(OperatingState& state, int value)
{
    state.MaxVolume = value;
    state.MaxVolumeChanged = true;
    ShowMaxVolume(state);
}

void setVolumeFromText(OperatingState& state, QStringView text)
{
    if (const std::optional<int> tenths = typedTenths(text)) {
        state.Volume = *tenths;
        state.VolumeChanged = true;
    }
    ShowVolume(state);
}

void setDefVolumeFromText(OperatingState& state, QStringView text)
{
    if (const std::optional<int> tenths = typedTenths(text)) {
        state.DefVolume = *tenths;
        state.DefVolumeChanged = true;
    }
    ShowDefVolume(state);
}

void setMaxVolumeFromText(OperatingState& state, QStringView text)
{
    if (const std::optional<int> tenths = typedTenths(text)) {
        state.MaxVolume = *tenths;
        state.MaxVolumeChanged = true;
    }
    ShowMaxVolume(state);
}

void stepBalance(OperatingState& state, int delta)
{
    state.BalanceChanged = true;
    if (delta < 0) {
        if (state.BalanceIndex > 0)
            --state.BalanceIndex;
    } else {
        state.BalanceIndex = std::min(state.BalanceIndex + 1, BalanceMaxStep);
    }
    ShowBalance(state);
}

void slideBalance(OperatingState& state, int step)
{
    state.BalanceChanged = true;
    state.BalanceIndex = std::clamp(step, 0, BalanceMaxStep);
    ShowBalance(state);
}

void setBalanceFromText(OperatingState& state, QStringView text)
{
    if (const std::optional<int> step = typedBalanceStep(text)) {
        state.BalanceIndex = *step;
        state.BalanceChanged = true;
    }
    ShowBalance(state);
}

void pressMute(OperatingState& state, bool linkConnected)
{
    state.MuteChanged = true;
    if (state.powerIsOn() && linkConnected) {
        state.VolumeShown = ForceRedraw;
        state.MuteState = !state.MuteState;
    }
}

void pressPower(OperatingState& state, bool linkConnected)
{
    state.PowerChanged = true;
    if (!linkConnected)
        return;
    state.Volume = state.DefVolume;
    if (state.powerIsOn()) {
        state.PowerState = 0;
        state.VolumeChanged = true;
    } else {
        state.PowerState = PowerOn;
    }
    ShowVolume(state);
}

void SelectInput(OperatingState& state, int input, bool linkConnected, int modelCode)
{
    state.InputChanged = true;
    if (!state.powerIsOn() || !linkConnected || input < 1 || input > HighestInput)
        return;
    const bool hasD5 =
        modelCode == ModelCode::Rx900 || modelCode == ModelCode::Vx900 || modelCode == ModelCode::Vx900S;
    if (input <= HighestCommonInput || hasD5)
        state.InputSelected = input;
}

} // namespace control
