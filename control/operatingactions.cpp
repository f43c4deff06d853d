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

const LevelField VolumeLevel{&OperatingState::volume, &OperatingState::volumeChanged, VolumeMax, typedTenths,
                             clampVolume};
const LevelField DefVolumeLevel{&OperatingState::defVolume, &OperatingState::defVolumeChanged, VolumeMax,
                                typedTenths, clampDefVolume};
const LevelField MaxVolumeLevel{&OperatingState::maxVolume, &OperatingState::maxVolumeChanged, VolumeMax,
                                typedTenths, clampMaxVolume};
const LevelField BalanceLevel{&OperatingState::balanceIndex, &OperatingState::balanceChanged, BalanceMaxStep,
                              typedBalanceStep, nullptr};

void stepLevel(OperatingState& state, const LevelField& field, int delta)
{
    // A step stops only at the limit it runs into: a balance step above 12 that a reply brought goes
    // down by one.
    const int stepped = state.*field.value + delta;
    state.*field.value = delta < 0 ? std::max(stepped, 0) : std::min(stepped, field.highest);
    state.*field.changed = true;
    if (field.clamp)
        field.clamp(state);
}

void slideLevel(OperatingState& state, const LevelField& field, int value)
{
    state.*field.value = std::clamp(value, 0, field.highest);
    state.*field.changed = true;
    if (field.clamp)
        field.clamp(state);
}

void typeLevel(OperatingState& state, const LevelField& field, QStringView text)
{
    if (const std::optional<int> value = field.typed(text)) {
        state.*field.value = *value;
        state.*field.changed = true;
    }
    if (field.clamp)
        field.clamp(state);
}

void pressMute(OperatingState& state, bool linkConnected)
{
    state.muteChanged = true;
    if (state.powerIsOn() && linkConnected) {
        state.muteState = !state.muteState;
    }
}

void pressPower(OperatingState& state, bool linkConnected)
{
    state.powerChanged = true;
    if (!linkConnected)
        return;
    state.volume = state.defVolume;
    if (state.powerIsOn()) {
        state.powerState = 0;
        state.volumeChanged = true;
    } else {
        state.powerState = PowerOn;
    }
    clampVolume(state);
}

void selectInput(OperatingState& state, int input, bool linkConnected, int modelCode)
{
    state.inputChanged = true;
    if (!state.powerIsOn() || !linkConnected || input < 1 || input > HighestInput)
        return;
    const bool hasD5 =
        modelCode == ModelCode::Rx900 || modelCode == ModelCode::Vx900 || modelCode == ModelCode::Vx900S;
    if (input <= HighestCommonInput || hasD5)
        state.inputSelected = input;
}

} // namespace control
