#include "protocol/framing.h"

#include "common/numbers.h"

#include <cmath>

namespace framing {
namespace {

bool isByte(int value)
{
    return value >= 0 && value <= 255;
}

} // namespace

std::optional<int> addressValue(QStringView deviceAddress)
{
    const double value = common::numericValue(deviceAddress);
    if (!std::isfinite(value) || value < -0.5 || value > MaxAddress + 0.5)
        return std::nullopt;
    const long long rounded = common::roundHalfEven(value);
    if (rounded < 0 || rounded > MaxAddress)
        return std::nullopt;
    return static_cast<int>(rounded);
}

unsigned char checksum(QByteArrayView bytes)
{
    unsigned int sum = 0;
    for (const char c : bytes)
        sum += static_cast<unsigned char>(c);
    return static_cast<unsigned char>(sum & 0xFF);
}

bool isIntactReply(QByteArrayView reply)
{
    if (reply.size() < MinReplyLength || static_cast<unsigned char>(reply.front()) != reply.size())
        return false;
    return checksum(reply.first(reply.size() - 1)) == static_cast<unsigned char>(reply.back());
}

std::optional<QByteArray> framePacket(int length, Address address, int code, const QList<int>& data)
{
    if (length < MinPacketLength || length > MaxPacketLength || !isByte(code) || !isByte(address.low) ||
        !isByte(address.high))
        return std::nullopt;
    for (const int value : data) {
        if (!isByte(value))
            return std::nullopt;
    }

    QByteArray packet(length, '\0');
    packet[LengthPos - 1] = static_cast<char>(length);
    packet[AddressLowPos - 1] = static_cast<char>(address.low);
    packet[AddressHighPos - 1] = static_cast<char>(address.high);
    packet[CodePos - 1] = static_cast<char>(code);
    const qsizetype dataRoom = length - MinPacketLength;
    for (qsizetype i = 0; i < data.size() && i < dataRoom; ++i)
        packet[FirstDataPos - 1 + i] = static_cast<char>(data[i]);
    packet[length - 1] = static_cast<char>(checksum(packet.first(length - 1)));
    return packet;
}

} // namespace framing
