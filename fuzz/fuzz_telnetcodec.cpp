// The telnet decoder of network serial ports, on whatever a server might send: the result does not
// depend on where the reads split the bytes, data never grows, each option is refused at most once
// per direction, and data escaped by our encoder comes back unchanged behind any of it.
#include "fuzzinput.h"
#include "serial/telnetcodec.h"

namespace {
bool operator==(const telnet::Decoded& a, const telnet::Decoded& b)
{
    return a.data == b.data && a.answer == b.answer && a.comPortAccepted == b.comPortAccepted &&
           a.comPortRefused == b.comPortRefused && a.baudReplies == b.baudReplies && a.baud == b.baud;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const int split = input.word();
    const QByteArray payload = input.bytes(input.byte());
    const QByteArray server = input.rest();

    telnet::DecoderState whole;
    telnet::Decoded once;
    telnet::decode(whole, server, once);
    FUZZ_CHECK(once.data.size() <= server.size());
    FUZZ_CHECK(once.answer.size() % 3 == 0 && once.answer.size() <= 3 * 512);
    for (qsizetype i = 0; i < once.answer.size(); i += 3) {
        const auto verb = static_cast<unsigned char>(once.answer[i + 1]);
        FUZZ_CHECK(static_cast<unsigned char>(once.answer[i]) == telnet::Iac &&
                   (verb == telnet::Wont || verb == telnet::Dont));
    }

    telnet::DecoderState pieces;
    telnet::Decoded inPieces;
    const qsizetype at = server.isEmpty() ? 0 : split % (server.size() + 1);
    telnet::decode(pieces, server.left(at), inPieces);
    telnet::decode(pieces, server.mid(at), inPieces);
    FUZZ_CHECK(inPieces == once);

    // Once the server has finished whatever it started (a subnegotiation ends with IAC SE, any
    // other command after one more byte), our own data passes through intact.
    telnet::Decoded after;
    telnet::decode(whole, QByteArray("\x01\xff\xf0", 3), after);
    after.data.clear();
    telnet::decode(whole, telnet::escaped(payload), after);
    FUZZ_CHECK(after.data == payload);
    return 0;
}
