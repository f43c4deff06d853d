#include "control/showoperations.h"

#include "common/numbers.h"
#include "control/statusreply.h"

#include <algorithm>

namespace control {
namespace {
constexpr int BypassPreset = 8;
} // namespace

void clampVolume(OperatingState& state)
{
    const int ceiling = std::min(VolumeMax, state.maxVolume);
    state.volume = std::max(0, std::min(state.volume, ceiling));
}

void clampDefVolume(OperatingState& state)
{
    state.defVolume = std::clamp(state.defVolume, 0, VolumeMax);
}

void clampMaxVolume(OperatingState& state)
{
    state.maxVolume = std::max(std::clamp(state.maxVolume, 0, VolumeMax), state.volume);
}

QString balanceText(int step, const QLocale& locale)
{
    if (step > BalanceMaxStep)
        return common::formatOneDecimal(step, locale);
    return common::formatOneDecimal((step - BalanceCentre) * 0.5, locale);
}

QString sourceLabel(int input, int modelCode)
{
    if (modelCode == ModelCode::Kma840)
        return QString::number(input);
    if (input <= DigitalInputOffset)
        return QStringLiteral("A") + QString::number(input);
    return QStringLiteral("D") + QString::number(input - DigitalInputOffset);
}

QString presetLabel(int preset)
{
    if (preset == BypassPreset)
        return QStringLiteral("Preset: Bypass");
    return QStringLiteral("Preset: ") + QString::number(preset);
}

QString masterSlaveLabel(int masterSlave)
{
    return masterSlave == 1 ? QStringLiteral("Master") : QStringLiteral("Slave");
}

QString irLabel(int irState)
{
    return irState == 0 ? QStringLiteral("IR on") : QStringLiteral("IR off");
}

QString displayLabel(int display)
{
    return QStringLiteral("Disp.: ") + QString::number(display);
}

DisplayMode displayModeFor(const OperatingState& state, bool lit)
{
    if (!lit)
        return DisplayMode::Dark;
    if (!state.powerIsOn())
        return DisplayMode::Standby;
    return state.muteState ? DisplayMode::Muted : DisplayMode::Volume;
}

} // namespace control
