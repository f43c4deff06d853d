// ampsim's request parser: however the line cuts a byte stream into pieces, the same requests come
// out, each as long as its length byte says; and the amplifier answers each without harm.
#include "fuzzinput.h"
#include "protocol/commandtable.h"
#include "sim/ampsim.h"
#include "sim/requestparser.h"

namespace {

// The unit's checks, in its order, from the command table alone.
AmpSim::Verdict expectedRefusal(const QByteArray& request, AmpModel model)
{
    using Verdict = AmpSim::Verdict;
    const auto at = [&](int pos) { return static_cast<unsigned char>(request[pos - 1]); };
    int sum = 0;
    for (qsizetype i = 0; i + 1 < request.size(); ++i)
        sum += static_cast<unsigned char>(request[i]);
    if ((sum & 0xFF) != at(int(request.size())))
        return Verdict::BadChecksum;
    if (at(2) + 256 * at(3) != 1)
        return Verdict::OtherAddress;
    const CommandRecord* entry = nullptr;
    for (const CommandRecord& c : Commands) {
        if (c.length > 0 && c.code == at(4) && !entry)
            entry = &c;
    }
    if (!entry)
        return Verdict::UnknownCode;
    if (entry->length != request.size())
        return Verdict::BadLength;
    const bool family = model == AmpModel::Kma840     ? entry->familyC
                        : model == AmpModel::Solstice ? entry->familyB
                                                      : entry->familyA;
    return family || model == AmpModel::Generic21 ? Verdict::Answered : Verdict::NotUnderstood;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const auto model = static_cast<AmpModel>(input.byte() % 6);
    QList<int> cuts;
    for (int n = input.byte() % 16; n > 0; --n)
        cuts << 1 + input.byte() % 32;
    const QByteArray stream = input.rest();

    RequestParser whole;
    const QList<QByteArray> expected = whole.feed(stream);
    RequestParser pieces;
    QList<QByteArray> found;
    qsizetype at = 0;
    for (qsizetype i = 0; at < stream.size(); ++i) {
        const qsizetype piece = cuts.isEmpty() ? 1 : cuts[i % cuts.size()];
        found += pieces.feed(stream.mid(at, piece));
        at += piece;
    }
    FUZZ_CHECK(found == expected);
    FUZZ_CHECK(pieces.hasPartial() == whole.hasPartial());

    AmpSim amplifier(model, 1);
    for (const QByteArray& request : expected) {
        FUZZ_CHECK(request.size() >= RequestParser::MinLength && request.size() <= RequestParser::MaxLength);
        FUZZ_CHECK(static_cast<unsigned char>(request.front()) == request.size());
        const AmpSim::Response response = amplifier.respond(request);
        const AmpSim::Verdict refusal = expectedRefusal(request, model);
        if (refusal != AmpSim::Verdict::Answered)
            FUZZ_CHECK(response.verdict == refusal);
        FUZZ_CHECK(response.reply.isEmpty() == (response.verdict != AmpSim::Verdict::Answered));
        if (!response.reply.isEmpty())
            FUZZ_CHECK(static_cast<unsigned char>(response.reply.front()) == response.reply.size());
    }
    return 0;
}
