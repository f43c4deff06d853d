#pragma once

#include <QByteArray>
#include <QList>

// Cuts the byte stream from the line into request packets by their length byte, with no knowledge
// of commands or checksums. A byte that cannot start a request (a length below 5 or above 64) is
// dropped, so the parser finds the next packet after line noise; `reset` drops a partial packet
// (the driver calls it after a pause on the line, as a unit's receive time-out would).
class RequestParser
{
public:
    static constexpr int MinLength = 5;
    static constexpr int MaxLength = 64;

    QList<QByteArray> feed(const QByteArray& bytes);
    void reset() { m_pending.clear(); }
    bool hasPartial() const { return !m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};
