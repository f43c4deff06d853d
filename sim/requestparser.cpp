#include "sim/requestparser.h"

QList<QByteArray> RequestParser::feed(const QByteArray& bytes)
{
    m_pending += bytes;
    QList<QByteArray> packets;
    while (!m_pending.isEmpty()) {
        const int length = static_cast<unsigned char>(m_pending.front());
        if (length < MinLength || length > MaxLength) {
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < length)
            break;
        packets << m_pending.first(length);
        m_pending.remove(0, length);
    }
    return packets;
}
