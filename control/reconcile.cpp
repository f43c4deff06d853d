#include "control/reconcile.h"

#include "control/showoperations.h"
#include "protocol/commandtable.h"

#include <algorithm>

namespace control {
namespace {

struct Disagreements
{
    bool power = false;
    bool volume = false;
    bool mute = false;
    bool defVolume = false;
    bool maxVolume = false;
    bool balance = false;
    bool input = false;
};

// Takes the reply's value over unless the user asked for another one since the last poll; returns
// true when the wanted value is kept because the amplifier disagrees with it.
bool takeOver(int& wanted, int replied, bool changed, bool adopt)
{
    if (!adopt && changed && replied != wanted)
        return true;
    wanted = replied;
    return false;
}

// Muted is only "1"; a request disagrees only with a clear opposite answer.
bool takeOverMute(bool& wanted, int replied, bool changed, bool adopt)
{
    if (!adopt && changed)
        return (!wanted && replied == 1) || (wanted && replied == 0);
    wanted = replied == 1;
    return false;
}

Correction withWord(int command, int value)
{
    const int low = value & 0xFF;
    return {command, {static_cast<quint8>(low), static_cast<quint8>((value - low) / 256), 0}};
}

Correction withByte(int command, int value)
{
    return {command, {static_cast<quint8>(value), 0, 0}};
}

QList<Correction> corrections(const OperatingState& s, const StatusReply& reply, const Disagreements& d)
{
    const bool kma = reply.modelCode == ModelCode::Kma840;
    QList<Correction> list;
    if (d.power) {
        list.append(withByte(Command::SetPowerState, s.PowerState));
        if (kma)
            list.append(Correction{s.powerIsOn() ? Command::SwitchOn : Command::SwitchToStandby});
    }
    // A clamp may have brought the wanted volume to what the amplifier already has.
    if (d.volume && s.Volume != reply.volume)
        list.append(withWord(Command::SetVolume, s.Volume));
    if (d.defVolume && s.DefVolume != reply.defVolume)
        list.append(withWord(Command::SetDefaultVolume, s.DefVolume));
    if (d.maxVolume && s.MaxVolume != reply.maxVolume)
        list.append(withWord(Command::SetMaxVolume, s.MaxVolume));
    if (d.mute) {
        list.append(withByte(Command::SetMute, s.MuteState ? 1 : 0));
        if (kma)
            list.append(Correction{s.MuteState ? Command::MuteOn : Command::MuteOff});
    }
    if (d.balance && kma)
        list.append(withByte(Command::SetBalance, s.BalanceIndex));
    if (d.input) {
        if (kma)
            list.append(withByte(Command::SetInput, s.InputSelected));
        else if (s.InputSelected <= DigitalInputOffset)
            list.append(withByte(Command::SetAnalogInput, s.InputSelected));
        else
            list.append(withByte(Command::SetDigitalInput, s.InputSelected - DigitalInputOffset));
    }
    return list;
}

} // namespace

PollOutcome reconcileStatus(const OperatingState& wanted, const StatusReply& reply, bool adoptAmpState)
{
    PollOutcome outcome{wanted, {}};
    OperatingState& s = outcome.state;
    Disagreements d;
    const bool adopt = adoptAmpState;

    d.power = takeOver(s.PowerState, reply.power, s.PowerChanged, adopt);
    // In standby the amplifier comes back at its start-up volume.
    if (!s.powerIsOn())
        s.Volume = s.DefVolume;
    d.volume = takeOver(s.Volume, reply.volume, s.VolumeChanged, adopt);
    d.mute = takeOverMute(s.MuteState, reply.mute, s.MuteChanged, adopt);
    d.defVolume = takeOver(s.DefVolume, reply.defVolume, s.DefVolumeChanged, adopt);
    d.maxVolume = takeOver(s.MaxVolume, reply.maxVolume, s.MaxVolumeChanged, adopt);
    s.IrState = reply.ir;

    if (reply.modelCode == ModelCode::Kma840) {
        d.input = takeOver(s.InputSelected, reply.input, s.InputChanged, adopt);
        d.balance = takeOver(s.BalanceIndex, reply.balance, s.BalanceChanged, adopt);
    } else if (isKnownModel(reply.modelCode)) {
        d.input = takeOver(s.InputSelected, reply.input, s.InputChanged, adopt);
        s.PresetNumber = reply.preset;
        s.MasterSlave = reply.masterSlave;
    }

    // The volume is clamped against the maximum of this same reply, not the previous one, so one
    // reply never shows a volume above the maximum it reports.
    clampDefVolume(s);
    s.MaxVolume = std::clamp(s.MaxVolume, 0, VolumeMax);
    clampVolume(s);
    clampMaxVolume(s);

    outcome.corrections = corrections(s, reply, d);
    s.clearChangedMarks();
    return outcome;
}

} // namespace control
