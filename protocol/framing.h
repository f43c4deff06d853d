#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringView>
#include <optional>

// Request packets: length byte, address low, address high, command code, data, checksum (the low
// byte of the sum of everything before it). No start byte, no escaping, no terminator.
namespace framing {

inline constexpr int LengthPos = 1;
inline constexpr int AddressLowPos = 2;
inline constexpr int AddressHighPos = 3;
inline constexpr int CodePos = 4;
inline constexpr int FirstDataPos = 5;
// A packet without data: length, two address bytes, code, checksum.
inline constexpr int MinPacketLength = 5;
// The longest packet of the command table (the 0xDB block write).
inline constexpr int MaxPacketLength = 40;
inline constexpr int MaxAddress = 0xFFFF;

// The acknowledgement with which an amplifier answers the handshake and a command that waits for
// it: two bytes, its own length and 0xAA.
inline constexpr int AckSize = 2;
inline constexpr char AckLength = AckSize;
inline constexpr char AckCode = static_cast<char>(0xAA);
inline bool isAcknowledgement(QByteArrayView reply)
{
    return reply.size() == AckSize && reply[0] == AckLength && reply[1] == AckCode;
}

struct Address
{
    int low = 0;
    int high = 0;
};

// The network address of a DeviceAddress text: its leading decimal number rounded to a whole
// number ("?" and other texts without a number give 0). An address outside 0..65535 gives nothing:
// such a packet would reach some other amplifier or none, so it is not sent at all.
std::optional<int> addressValue(QStringView deviceAddress);
inline Address addressBytes(int address)
{
    return {address % 256, address / 256};
}

// Frames one packet of `length` bytes. Data go to positions 5, 6, ... in order; positions without
// data are 0; the checksum takes position `length`, so data that would reach it or beyond are not
// sent (a one-data-byte command sends data1 only). Gives nothing, and nothing may be sent, when the
// length lies outside 5..40 or the code, an address byte or any data value lies outside 0..255.
std::optional<QByteArray> framePacket(int length, Address address, int code, const QList<int>& data = {});

// The low byte of the sum of `bytes`.
unsigned char checksum(QByteArrayView bytes);

// A reply (not the two-byte acknowledgement) is its length byte, its data and a checksum of every
// byte before it. The shortest has no data.
inline constexpr int MinReplyLength = 2;

// Whether `reply`, framed as received, arrived whole and undamaged: its length byte (position 1)
// equals its size and its last byte is the checksum of the bytes before it. A reply that fails is
// never used: its values could be anything.
bool isIntactReply(QByteArrayView reply);

} // namespace framing
