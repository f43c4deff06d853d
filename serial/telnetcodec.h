#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <optional>

// The telnet side of a network serial port (RFC 854, with COM port control from RFC 2217), as pure
// functions from bytes to bytes. The client asks for binary transmission both ways, suppressed
// go-ahead and COM port control, and refuses every other option the server offers.
namespace telnet {

// Bytes with a meaning of their own on the wire.
constexpr unsigned char Iac = 0xFF; // "interpret as command"; a data byte 0xFF is sent twice
constexpr unsigned char Dont = 0xFE;
constexpr unsigned char Do = 0xFD;
constexpr unsigned char Wont = 0xFC;
constexpr unsigned char Will = 0xFB;
constexpr unsigned char Sb = 0xFA;    // subnegotiation begins
constexpr unsigned char Se = 0xF0;    // subnegotiation ends
constexpr unsigned char Binary = 0;   // option: 8-bit data
constexpr unsigned char Sga = 3;      // option: suppress go-ahead
constexpr unsigned char ComPort = 44; // option: COM port control

// COM port control commands from the client; the server answers each with the code plus 100.
enum class ComPortCommand : unsigned char
{
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    PurgeData = 12,
};
constexpr unsigned char ServerReply = 100;
constexpr unsigned char ParityNone = 1;
constexpr unsigned char OneStopBit = 1;
constexpr unsigned char PurgeBoth = 3;

// `data` as it goes over the link: each 0xFF doubled.
QByteArray escaped(const QByteArray& data);
// IAC SB COM-PORT-OPTION command value IAC SE, the value escaped.
QByteArray comPortCommand(ComPortCommand command, const QByteArray& value);
// What the client says when it connects: WILL and DO BINARY, WILL and DO SGA, WILL COM-PORT-OPTION.
QByteArray openingNegotiation();
// The line at `baud`, 8 data bits, no parity, one stop bit; `purge` empties the server's buffers
// both ways after that.
QByteArray lineSettings(qint32 baud, bool purge);

// Where the decoder stands between two reads: a command or a subnegotiation may be split anywhere.
struct DecoderState
{
    enum class Stage
    {
        Data,
        Command,    // after IAC
        Option,     // after IAC WILL/WONT/DO/DONT
        Sub,        // inside IAC SB … IAC SE
        SubCommand, // after IAC inside a subnegotiation
    };
    Stage stage = Stage::Data;
    unsigned char verb = 0;
    QByteArray sub; // option and content of the subnegotiation so far
    // Options refused once already, so that a server that asks again gets no second answer.
    std::array<bool, 256> refusedWill{};
    std::array<bool, 256> refusedDo{};
};

struct Decoded
{
    QByteArray data;   // the serial line's bytes
    QByteArray answer; // to send back to the server
    bool comPortAccepted = false;
    bool comPortRefused = false;
    int baudReplies = 0;        // answers to SET-BAUDRATE
    std::optional<qint32> baud; // the rate the last of them reported
};

// Adds what `bytes` hold to `out`; whatever is left unfinished waits in `state` for the next read.
void decode(DecoderState& state, const QByteArray& bytes, Decoded& out);

} // namespace telnet
