// Packet framing, checked by ampsim's own parser and request checks: whatever the arguments, a
// packet is either refused or well formed, and an amplifier at its address takes it. The reply
// check, against ampsim's replies.
#include "fuzzinput.h"
#include "protocol/framing.h"
#include "sim/ampsim.h"
#include "sim/requestparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    // Slightly beyond each range, so that refusals are exercised too.
    const int length = input.byte() % 48;
    const framing::Address address{input.word() % 270 - 7, input.word() % 270 - 7};
    const int code = input.word() % 270 - 7;
    QList<int> values;
    while (!input.atEnd() && values.size() < 48)
        values << input.word() % 270 - 7;
    const auto inRange = [](int v) { return v >= 0 && v <= 255; };

    const auto packet = framing::framePacket(length, address, code, values);
    const bool acceptable = length >= framing::MinPacketLength && length <= framing::MaxPacketLength &&
                            inRange(code) && inRange(address.low) && inRange(address.high) &&
                            std::all_of(values.begin(), values.end(), inRange);
    FUZZ_CHECK(packet.has_value() == acceptable);
    if (!packet)
        return 0;
    FUZZ_CHECK(packet->size() == length && static_cast<unsigned char>(packet->at(0)) == length);
    FUZZ_CHECK(framing::checksum(packet->first(length - 1)) == static_cast<unsigned char>(packet->back()));

    RequestParser parser;
    FUZZ_CHECK(parser.feed(*packet) == QList<QByteArray>{*packet} && !parser.hasPartial());
    AmpSim amplifier(AmpModel::Vx900, address.low + 256 * address.high);
    const AmpSim::Response response = amplifier.respond(*packet);
    FUZZ_CHECK(response.verdict != AmpSim::Verdict::BadChecksum &&
               response.verdict != AmpSim::Verdict::OtherAddress);

    // Its reply, built by ampsim's own code, passes the reply check; any one byte changed fails it.
    if (response.reply.size() <= framing::AckSize)
        return 0;
    FUZZ_CHECK(framing::isIntactReply(response.reply));
    QByteArray damaged = response.reply;
    char& hit = damaged[(code + length) % damaged.size()];
    hit = static_cast<char>(hit ^ (1 + values.size() % 255));
    FUZZ_CHECK(!framing::isIntactReply(damaged));
    return 0;
}
