// The status reply decoder and the reconciliation of wanted values with what a reply says.
#include "control/reconcile.h"
#include "control/statusreply.h"
#include "fuzzinput.h"

namespace {

using control::Correction;
using Kind = Correction::Kind;

bool kma840Only(Kind kind)
{
    switch (kind) {
    case Kind::SwitchOn:
    case Kind::SwitchToStandby:
    case Kind::MuteOn:
    case Kind::MuteOff:
    case Kind::SetBalance:
    case Kind::SetInput:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    // What the window may hold: values its controls produce, each with its changed mark.
    control::OperatingState wanted;
    wanted.Volume = input.word() % 1000;
    wanted.MaxVolume = input.word() % 1000;
    wanted.DefVolume = input.word() % 1000;
    wanted.MuteState = input.flag();
    wanted.PowerState = input.byte() % 2;
    wanted.InputSelected = 1 + input.byte() % 9;
    wanted.BalanceIndex = input.byte() % 13;
    const int marks = input.byte();
    wanted.VolumeChanged = marks & 1;
    wanted.MaxVolumeChanged = marks & 2;
    wanted.DefVolumeChanged = marks & 4;
    wanted.MuteChanged = marks & 8;
    wanted.PowerChanged = marks & 16;
    wanted.InputChanged = marks & 32;
    wanted.BalanceChanged = marks & 64;
    const bool adopt = marks & 128;
    const QByteArray bytes = input.rest();

    // The layout, read here apart from the decoder: positions from 1, 16-bit volumes low byte first,
    // the version high byte first; a reply marked 21 long carries no version and no model.
    const auto at = [&](int pos) {
        return pos <= bytes.size() ? static_cast<unsigned char>(bytes[pos - 1]) : 0;
    };
    const auto word = [&](int pos) { return at(pos) + 256 * at(pos + 1); };
    const bool marked21 = at(1) == 21;
    const int expected = control::expectedStatusReplyLength(bytes);
    FUZZ_CHECK(expected == (marked21 ? 21 : 25));
    const auto reply = control::decodeStatusReply(bytes);
    FUZZ_CHECK(reply.has_value() == (marked21 ? bytes.size() >= 21 : bytes.size() == 25));
    if (!reply)
        return 0;
    FUZZ_CHECK(reply->power == at(2) && reply->volume == word(3) && reply->mute == at(5) &&
               reply->defVolume == word(6) && reply->maxVolume == word(8) && reply->input == at(10) &&
               reply->preset == at(11) && reply->display == at(12) && reply->ir == at(19) &&
               reply->masterSlave == at(20) && reply->balance == at(21));
    const int version = marked21 ? 0 : at(22) * 256 + at(23);
    // An early RX900 (version 10) reports the VX900's code 5.
    const int model = marked21 ? 0 : (at(24) == 5 && version == 10 ? 3 : at(24));
    FUZZ_CHECK(reply->identified == !marked21 && reply->firmwareVersion == version &&
               reply->modelCode == model);

    const control::PollOutcome outcome = control::reconcileStatus(wanted, *reply, adopt);
    const control::OperatingState& s = outcome.state;
    // Never a volume above the maximum the display shows, nor outside 00.0..99.9.
    FUZZ_CHECK(s.Volume >= 0 && s.Volume <= s.MaxVolume && s.MaxVolume <= control::VolumeMax);
    FUZZ_CHECK(s.DefVolume >= 0 && s.DefVolume <= control::VolumeMax);
    FUZZ_CHECK(!s.VolumeChanged && !s.MaxVolumeChanged && !s.DefVolumeChanged && !s.MuteChanged &&
               !s.PowerChanged && !s.InputChanged && !s.BalanceChanged);
    // What the user did not ask for, or everything when adopting, follows the amplifier.
    const bool known = control::isKnownModel(reply->modelCode);
    if (adopt || !wanted.PowerChanged)
        FUZZ_CHECK(s.PowerState == reply->power);
    if (adopt || !wanted.MuteChanged)
        FUZZ_CHECK(s.MuteState == (reply->mute == 1));
    if ((adopt || !wanted.InputChanged) && known)
        FUZZ_CHECK(s.InputSelected == reply->input);
    if (!known)
        FUZZ_CHECK(s.InputSelected == wanted.InputSelected);
    if (adopt || (marks & 127) == 0)
        FUZZ_CHECK(outcome.corrections.isEmpty());
    // A mute request disagrees only with a clear opposite answer (muted is 1, unmuted 0).
    const bool muteSent = std::any_of(outcome.corrections.begin(), outcome.corrections.end(),
                                      [](const Correction& c) { return c.kind == Kind::SetMute; });
    FUZZ_CHECK(muteSent == (!adopt && wanted.MuteChanged && reply->mute == (wanted.MuteState ? 0 : 1)));
    for (const Correction& c : outcome.corrections) {
        FUZZ_CHECK(!kma840Only(c.kind) || reply->modelCode == control::ModelCode::Kma840);
        if (c.kind == Kind::SetVolume)
            FUZZ_CHECK(c.data[0] + 256 * c.data[1] == s.Volume && s.Volume != reply->volume);
        FUZZ_CHECK(known || (c.kind != Kind::SetAnalogInput && c.kind != Kind::SetDigitalInput));
        if (c.kind == Kind::SetAnalogInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 4);
        if (c.kind == Kind::SetDigitalInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 5);
    }

    // Once the amplifier's word is taken, the same reply again sends, changes and redraws nothing.
    const control::PollOutcome second = control::reconcileStatus(s, *reply, false);
    const control::PollOutcome third = control::reconcileStatus(second.state, *reply, false);
    FUZZ_CHECK(second.corrections.isEmpty() && third.corrections.isEmpty());
    const control::OperatingState& a = second.state;
    const control::OperatingState& b = third.state;
    FUZZ_CHECK(a.Volume == b.Volume && a.MaxVolume == b.MaxVolume && a.DefVolume == b.DefVolume &&
               a.MuteState == b.MuteState && a.PowerState == b.PowerState &&
               a.InputSelected == b.InputSelected && a.BalanceIndex == b.BalanceIndex &&
               a.PresetNumber == b.PresetNumber && a.IrState == b.IrState);
    FUZZ_CHECK(!third.redraws.volume && !third.redraws.defVolume && !third.redraws.maxVolume &&
               !third.redraws.balance);
    return 0;
}
