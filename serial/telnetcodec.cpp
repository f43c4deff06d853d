#include "serial/telnetcodec.h"

#include <initializer_list>
#include <utility>

namespace telnet {

namespace {

// A subnegotiation longer than this is none we read; its bytes are dropped until it ends.
constexpr qsizetype MaxSubnegotiation = 64;

QByteArray bytes(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (const unsigned char byte : list)
        out += char(byte);
    return out;
}

QByteArray command(unsigned char verb, unsigned char option)
{
    return bytes({Iac, verb, option});
}

QByteArray bigEndian(quint32 value)
{
    return bytes({static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                  static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)});
}

void endSubnegotiation(const QByteArray& sub, Decoded& out)
{
    // Option, command, value: the server's answer to SET-BAUDRATE carries the rate in four bytes.
    constexpr unsigned char BaudReply = ServerReply + unsigned(ComPortCommand::SetBaudRate);
    if (sub.size() == 6 && static_cast<unsigned char>(sub[0]) == ComPort &&
        static_cast<unsigned char>(sub[1]) == BaudReply) {
        ++out.baudReplies;
        quint32 rate = 0;
        for (int i = 2; i < 6; ++i)
            rate = rate << 8 | static_cast<unsigned char>(sub[i]);
        out.baud = static_cast<qint32>(rate);
    }
}

void negotiate(DecoderState& state, unsigned char option, Decoded& out)
{
    const bool ours = option == Binary || option == Sga || option == ComPort;
    switch (state.verb) {
    case Do:
        if (option == ComPort)
            out.comPortAccepted = true;
        else if (!ours && !std::exchange(state.refusedDo[option], true))
            out.answer += command(Wont, option);
        break;
    case Dont:
        if (option == ComPort)
            out.comPortRefused = true;
        break;
    case Will:
        // The server may offer COM port control back; we do not take the server's part.
        if ((option != Binary && option != Sga) && !std::exchange(state.refusedWill[option], true))
            out.answer += command(Dont, option);
        break;
    default:
        break;
    }
}

void command(DecoderState& state, unsigned char byte, Decoded& out)
{
    using Stage = DecoderState::Stage;
    switch (byte) {
    case Iac:
        out.data += char(Iac);
        state.stage = Stage::Data;
        return;
    case Will:
    case Wont:
    case Do:
    case Dont:
        state.verb = byte;
        state.stage = Stage::Option;
        return;
    case Sb:
        state.sub.clear();
        state.stage = Stage::Sub;
        return;
    default:
        // NOP, data mark, break, go-ahead and the like carry nothing for a serial line.
        state.stage = Stage::Data;
        return;
    }
}

} // namespace

QByteArray escaped(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + data.count(char(Iac)));
    for (const char c : data) {
        out += c;
        if (static_cast<unsigned char>(c) == Iac)
            out += c;
    }
    return out;
}

QByteArray comPortCommand(ComPortCommand command, const QByteArray& value)
{
    return bytes({Iac, Sb, ComPort, static_cast<unsigned char>(command)}) + escaped(value) + bytes({Iac, Se});
}

QByteArray openingNegotiation()
{
    return command(Will, Binary) + command(Do, Binary) + command(Will, Sga) + command(Do, Sga) +
           command(Will, ComPort);
}

QByteArray lineSettings(qint32 baud, bool purge)
{
    QByteArray out = comPortCommand(ComPortCommand::SetBaudRate, bigEndian(static_cast<quint32>(baud))) +
                     comPortCommand(ComPortCommand::SetDataSize, QByteArray(1, char(8))) +
                     comPortCommand(ComPortCommand::SetParity, QByteArray(1, char(ParityNone))) +
                     comPortCommand(ComPortCommand::SetStopSize, QByteArray(1, char(OneStopBit)));
    if (purge)
        out += comPortCommand(ComPortCommand::PurgeData, QByteArray(1, char(PurgeBoth)));
    return out;
}

void decode(DecoderState& state, const QByteArray& bytes, Decoded& out)
{
    using Stage = DecoderState::Stage;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (state.stage) {
        case Stage::Data:
            if (byte == Iac)
                state.stage = Stage::Command;
            else
                out.data += c;
            break;
        case Stage::Command:
            command(state, byte, out);
            break;
        case Stage::Option:
            negotiate(state, byte, out);
            state.stage = Stage::Data;
            break;
        case Stage::Sub:
            if (byte == Iac)
                state.stage = Stage::SubCommand;
            else if (state.sub.size() < MaxSubnegotiation)
                state.sub += c;
            break;
        case Stage::SubCommand:
            if (byte == Iac) {
                if (state.sub.size() < MaxSubnegotiation)
                    state.sub += c;
                state.stage = Stage::Sub;
            } else {
                endSubnegotiation(state.sub, out);
                state.sub.clear();
                // IAC SE ends it; a server that forgot the SE has started its next command.
                if (byte == Se)
                    state.stage = Stage::Data;
                else
                    command(state, byte, out);
            }
            break;
        }
    }
}

} // namespace telnet
