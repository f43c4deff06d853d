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

    const int expected = control::expectedStatusReplyLength(bytes);
    FUZZ_CHECK(expected == control::StatusReplyLength || expected == control::ShortStatusReplyLength);
    const auto reply = control::decodeStatusReply(bytes);
    if (!reply)
        return 0;
    FUZZ_CHECK(bytes.size() >= expected);
    FUZZ_CHECK(reply->identified == (expected == control::StatusReplyLength));
    FUZZ_CHECK(reply->volume >= 0 && reply->volume <= 0xFFFF && reply->firmwareVersion <= 0xFFFF);

    const control::PollOutcome outcome = control::reconcileStatus(wanted, *reply, adopt);
    const control::OperatingState& s = outcome.state;
    // Never a volume above the maximum the display shows, nor outside 00.0..99.9.
    FUZZ_CHECK(s.Volume >= 0 && s.Volume <= s.MaxVolume && s.MaxVolume <= control::VolumeMax);
    FUZZ_CHECK(s.DefVolume >= 0 && s.DefVolume <= control::VolumeMax);
    FUZZ_CHECK(!s.VolumeChanged && !s.MaxVolumeChanged && !s.DefVolumeChanged && !s.MuteChanged &&
               !s.PowerChanged && !s.InputChanged && !s.BalanceChanged);
    if (adopt || (marks & 127) == 0)
        FUZZ_CHECK(outcome.corrections.isEmpty());
    for (const Correction& c : outcome.corrections) {
        FUZZ_CHECK(!kma840Only(c.kind) || reply->modelCode == control::ModelCode::Kma840);
        if (c.kind == Kind::SetVolume)
            FUZZ_CHECK(c.data[0] + 256 * c.data[1] == s.Volume && s.Volume != reply->volume);
        if (c.kind == Kind::SetAnalogInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 4);
        if (c.kind == Kind::SetDigitalInput)
            FUZZ_CHECK(c.data[0] >= 1 && c.data[0] <= 5);
    }
    return 0;
}
