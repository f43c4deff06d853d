// The status reply decoder and the reconciliation of wanted values with what a reply says.
#include "control/reconcile.h"
#include "control/statusreply.h"
#include "fuzzinput.h"
#include "protocol/commandtable.h"

namespace {

using control::Correction;

bool kma840Only(int command)
{
    switch (command) {
    case Command::SwitchOn:
    case Command::SwitchToStandby:
    case Command::MuteOn:
    case Command::MuteOff:
    case Command::SetBalance:
    case Command::SetInput:
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
    wanted.volume = input.word() % 1000;
    wanted.maxVolume = input.word() % 1000;
    wanted.defVolume = input.word() % 1000;
    wanted.muteState = input.flag();
    wanted.powerState = input.byte() % 2;
    wanted.inputSelected = 1 + input.byte() % 9;
    wanted.balanceIndex = input.byte() % 13;
    const int marks = input.byte();
    wanted.volumeChanged = marks & 1;
    wanted.maxVolumeChanged = marks & 2;
    wanted.defVolumeChanged = marks & 4;
    wanted.muteChanged = marks & 8;
    wanted.powerChanged = marks & 16;
    wanted.inputChanged = marks & 32;
    wanted.balanceChanged = marks & 64;
    const bool adopt = marks & 128;
    QByteArray bytes = input.rest();

    // The layout, read here apart from the decoder: positions from 1, 16-bit volumes low byte first,
    // the version high byte first; a reply marked 21 long carries no version and no model. The
    // reply ends at its length byte's position with the low byte of the sum of the bytes before.
    const auto at = [&](int pos) {
        return pos <= bytes.size() ? static_cast<unsigned char>(bytes[pos - 1]) : 0;
    };
    const auto word = [&](int pos) { return at(pos) + 256 * at(pos + 1); };
    const auto sumBefore = [&](int pos) {
        int sum = 0;
        for (int i = 1; i < pos; ++i)
            sum += at(i);
        return sum & 0xFF;
    };
    const bool marked21 = at(1) == 21;
    const int expected = control::expectedStatusReplyLength(bytes);
    FUZZ_CHECK(expected == (marked21 ? 21 : 25));
    const bool whole = marked21 ? bytes.size() >= 21 : bytes.size() == 25;
    const bool intact = whole && at(1) == expected && at(expected) == sumBefore(expected);
    FUZZ_CHECK(control::decodeStatusReply(bytes).has_value() == intact);
    // The rest looks at the values, so a whole reply gets a length byte and checksum that match.
    if (whole && !intact) {
        bytes[0] = static_cast<char>(expected);
        bytes[expected - 1] = static_cast<char>(sumBefore(expected));
    }
    const auto reply = control::decodeStatusReply(bytes);
    FUZZ_CHECK(reply.has_value() == whole);
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
    FUZZ_CHECK(s.volume >= 0 && s.volume <= s.maxVolume && s.maxVolume <= control::VolumeMax);
    FUZZ_CHECK(s.defVolume >= 0 && s.defVolume <= control::VolumeMax);
    FUZZ_CHECK(!s.volumeChanged && !s.maxVolumeChanged && !s.defVolumeChanged && !s.muteChanged &&
               !s.powerChanged && !s.inputChanged && !s.balanceChanged);
    // What the user did not ask for, or everything when adopting, follows the amplifier.
    const bool known = control::isKnownModel(reply->modelCode);
    if (adopt || !wanted.powerChanged)
        FUZZ_CHECK(s.powerState == reply->power);
    if (adopt || !wanted.muteChanged)
        FUZZ_CHECK(s.muteState == (reply->mute == 1));
    if ((adopt || !wanted.inputChanged) && known)
        FUZZ_CHECK(s.inputSelected == reply->input);
    if (!known)
        FUZZ_CHECK(s.inputSelected == wanted.inputSelected);
    if (adopt || (marks & 127) == 0)
        FUZZ_CHECK(outcome.corrections.isEmpty());
    // A mute request disagrees only with a clear opposite answer (muted is 1, unmuted 0).
    const bool muteSent = std::any_of(outcome.corrections.begin(), outcome.corrections.end(),
                                      [](const Correction& c) { return c.command == Command::SetMute; });
    FUZZ_CHECK(muteSent == (!adopt && wanted.muteChanged && reply->mute == (wanted.muteState ? 0 : 1)));
    for (const Correction& c : outcome.corrections) {
        FUZZ_CHECK(!kma840Only(c.command) || reply->modelCode == ModelCode::Kma840);
        if (c.command == Command::SetVolume)
            FUZZ_CHECK(c.data[0] + 256 * c.data[1] == s.volume && s.volume != reply->volume);
        FUZZ_CHECK(known || (c.command != Command::SetAnalogInput && c.command != Command::SetDigitalInput));
        if (c.command == Command::SetAnalogInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 4);
        if (c.command == Command::SetDigitalInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 5);
    }

    // Once the amplifier's word is taken, the same reply again sends and changes nothing.
    const control::PollOutcome second = control::reconcileStatus(s, *reply, false);
    const control::PollOutcome third = control::reconcileStatus(second.state, *reply, false);
    FUZZ_CHECK(second.corrections.isEmpty() && third.corrections.isEmpty());
    const control::OperatingState& a = second.state;
    const control::OperatingState& b = third.state;
    FUZZ_CHECK(a.volume == b.volume && a.maxVolume == b.maxVolume && a.defVolume == b.defVolume &&
               a.muteState == b.muteState && a.powerState == b.powerState &&
               a.inputSelected == b.inputSelected && a.balanceIndex == b.balanceIndex &&
               a.presetNumber == b.presetNumber && a.irState == b.irState);
    return 0;
}
