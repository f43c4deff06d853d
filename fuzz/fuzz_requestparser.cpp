// ampsim's request parser: however the line cuts a byte stream into pieces, the same requests come
// out, each as long as its length byte says; and the amplifier answers each without harm.
#include "fuzzinput.h"
#include "sim/ampsim.h"
#include "sim/requestparser.h"

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
        FUZZ_CHECK(response.reply.isEmpty() == (response.verdict != AmpSim::Verdict::Answered));
        if (!response.reply.isEmpty())
            FUZZ_CHECK(static_cast<unsigned char>(response.reply.front()) == response.reply.size());
    }
    return 0;
}
