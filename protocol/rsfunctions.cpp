#include "protocol/rsfunctions.h"

#include "protocol/framing.h"
#include "serial/comform.h"
#include "serial/wait.h"

bool RSfunctions::waitForAcknowledgement()
{
    // Two characters end the wait; what they are is not examined.
    return waitUntil([this] { return m_state.ReplyBuffer.size() >= framing::AckSize; },
                     &m_state.LinkCancelRequested) == WaitResult::Met;
}

RSfunctions::Result RSfunctions::SendShortCommand(int index)
{
    const auto address = framing::addressValue(m_state.DeviceAddress);
    if (!address)
        return Result::Rejected;
    const CommandRecord& entry = commandAt(index);
    const auto packet = framing::framePacket(entry.length, {*address % 256, 0}, entry.code);
    if (!packet)
        return Result::Rejected;
    m_link.SendMScommString(*packet);
    return Result::Sent;
}

RSfunctions::Result RSfunctions::SendCommand(int index, int data1, int data2, int data3)
{
    const auto address = framing::addressValue(m_state.DeviceAddress);
    if (!address)
        return Result::Rejected;
    const CommandRecord& entry = commandAt(index);
    const auto packet = framing::framePacket(entry.length, framing::addressBytes(*address), entry.code,
                                             {data1, data2, data3});
    if (!packet)
        return Result::Rejected;

    m_state.ReplyBuffer.clear();
    m_link.SendMScommString(*packet);
    if (!entry.wait)
        return Result::Sent;
    if (waitForAcknowledgement())
        return Result::Acknowledged;

    m_state.LinkCancelRequested = false;
    m_link.CloseMScomm();
    m_state.LinkConnected = false;
    m_state.AdoptAmpState = true;
    return Result::Cancelled;
}

RSfunctions::Result RSfunctions::sendLong(int code, int length, const QList<int>& data, bool wait)
{
    const auto address = framing::addressValue(m_state.DeviceAddress);
    if (!address || data.size() > MaxLongData)
        return Result::Rejected;
    const auto packet = framing::framePacket(length, framing::addressBytes(*address), code, data);
    if (!packet)
        return Result::Rejected;

    m_state.ReplyBuffer.clear();
    m_link.SendMScommString(*packet);
    if (!wait)
        return Result::Sent;
    if (!waitForAcknowledgement()) {
        m_state.LinkCancelRequested = false;
        return Result::Cancelled;
    }
    m_state.ReplyBuffer.clear();
    return Result::Acknowledged;
}

bool RSfunctions::SendLongCommand(int code, int length, const QList<int>& data, bool wait)
{
    const Result result = sendLong(code, length, data, wait);
    return result == Result::Sent || result == Result::Acknowledged;
}
