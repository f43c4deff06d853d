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
        list.append(withByte(Command::SetPowerState, s.powerState));
        if (kma)
            list.append(Correction{s.powerIsOn() ? Command::SwitchOn : Command::SwitchToStandby});
    }
    // A clamp may have brought the wanted volume to what the amplifier already has.
    if (d.volume && s.volume != reply.volume)
        list.append(withWord(Command::SetVolume, s.volume));
    if (d.defVolume && s.defVolume != reply.defVolume)
        list.append(withWord(Command::SetDefaultVolume, s.defVolume));
    if (d.maxVolume && s.maxVolume != reply.maxVolume)
        list.append(withWord(Command::SetMaxVolume, s.maxVolume));
    if (d.mute) {
        list.append(withByte(Command::SetMute, s.muteState ? 1 : 0));
        if (kma)
            list.append(Correction{s.muteState ? Command::MuteOn : Command::MuteOff});
    }
    if (d.balance && kma)
        list.append(withByte(Command::SetBalance, s.balanceIndex));
    if (d.input) {
        if (kma)
            list.append(withByte(Command::SetInput, s.inputSelected));
        else if (s.inputSelected <= DigitalInputOffset)
            list.append(withByte(Command::SetAnalogInput, s.inputSelected));
        else
            list.append(withByte(Command::SetDigitalInput, s.inputSelected - DigitalInputOffset));
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

    d.power = takeOver(s.powerState, reply.power, s.powerChanged, adopt);
    // In standby the amplifier comes back at its start-up volume.
    if (!s.powerIsOn())
        s.volume = s.defVolume;
    d.volume = takeOver(s.volume, reply.volume, s.volumeChanged, adopt);
    d.mute = takeOverMute(s.muteState, reply.mute, s.muteChanged, adopt);
    d.defVolume = takeOver(s.defVolume, reply.defVolume, s.defVolumeChanged, adopt);
    d.maxVolume = takeOver(s.maxVolume, reply.maxVolume, s.maxVolumeChanged, adopt);
    s.irState = reply.ir;

    if (reply.modelCode == ModelCode::Kma840) {
        d.input = takeOver(s.inputSelected, reply.input, s.inputChanged, adopt);
        d.balance = takeOver(s.balanceIndex, reply.balance, s.balanceChanged, adopt);
    } else if (isKnownModel(reply.modelCode)) {
        d.input = takeOver(s.inputSelected, reply.input, s.inputChanged, adopt);
        s.presetNumber = reply.preset;
        s.masterSlave = reply.masterSlave;
    }

    // The volume is clamped against the maximum of this same reply, not the previous one, so one
    // reply never shows a volume above the maximum it reports.
    clampDefVolume(s);
    s.maxVolume = std::clamp(s.maxVolume, 0, VolumeMax);
    clampVolume(s);
    clampMaxVolume(s);

    outcome.corrections = corrections(s, reply, d);
    s.clearChangedMarks();
    return outcome;
}

} // namespace control
