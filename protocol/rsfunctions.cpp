#include "protocol/rsfunctions.h"

#include "protocol/framing.h"
#include "serial/comform.h"
#include "serial/wait.h"

RSfunctions::Result RSfunctions::waitForAcknowledgement()
{
    const LinkState& s = m_owner.state();
    // Two characters end the wait; what they are is not examined.
    if (waitUntil([&s] { return s.ReplyBuffer.size() >= framing::AckSize; }, &s.LinkCancelRequested) ==
        WaitResult::Met)
        return Result::Acknowledged;
    return m_owner.link().CheckMScomm() ? Result::Cancelled : Result::PortLost;
}

RSfunctions::Result RSfunctions::SendShortCommand(int index)
{
    const auto address = framing::addressValue(m_owner.state().DeviceAddress);
    if (!address)
        return Result::Rejected;
    const CommandRecord& entry = commandAt(index);
    const auto packet = framing::framePacket(entry.length, {*address % 256, 0}, entry.code);
    if (!packet)
        return Result::Rejected;
    m_owner.link().SendMScommString(*packet);
    return Result::Sent;
}

RSfunctions::Result RSfunctions::SendCommand(int index, int data1, int data2, int data3)
{
    const auto address = framing::addressValue(m_owner.state().DeviceAddress);
    if (!address)
        return Result::Rejected;
    const CommandRecord& entry = commandAt(index);
    const auto packet = framing::framePacket(entry.length, framing::addressBytes(*address), entry.code,
                                             {data1, data2, data3});
    if (!packet)
        return Result::Rejected;

    m_owner.clearReply();
    m_owner.link().SendMScommString(*packet);
    return entry.wait ? waitForAcknowledgement() : Result::Sent;
}

RSfunctions::Result RSfunctions::sendLong(int code, int length, const QList<int>& data, bool wait)
{
    const auto address = framing::addressValue(m_owner.state().DeviceAddress);
    if (!address || data.size() > MaxLongData)
        return Result::Rejected;
    const auto packet = framing::framePacket(length, framing::addressBytes(*address), code, data);
    if (!packet)
        return Result::Rejected;

    m_owner.clearReply();
    m_owner.link().SendMScommString(*packet);
    if (!wait)
        return Result::Sent;
    const Result result = waitForAcknowledgement();
    if (result == Result::Acknowledged)
        m_owner.clearReply();
    return result;
}

bool RSfunctions::SendLongCommand(int code, int length, const QList<int>& data, bool wait)
{
    const Result result = sendLong(code, length, data, wait);
    return result == Result::Sent || result == Result::Acknowledged;
}
