#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// Cuts one fuzzer input into the pieces a target needs: small numbers and short texts from the
// front, the rest as one block. Reading past the end gives zeros and empty texts.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {}

    int byte() { return m_at < m_bytes.size() ? static_cast<unsigned char>(m_bytes[m_at++]) : 0; }
    int word() { return byte() | byte() << 8; }
    bool flag() { return byte() & 1; }
    // A text of up to `maxLength` bytes read as UTF-8 (what is not UTF-8 turns into U+FFFD).
    QString text(int maxLength = 31) { return QString::fromUtf8(bytes(byte() % (maxLength + 1))); }
    QByteArray bytes(qsizetype count)
    {
        const QByteArray piece = m_bytes.mid(m_at, count);
        m_at += piece.size();
        return piece;
    }
    QByteArray rest() { return bytes(m_bytes.size() - m_at); }
    bool atEnd() const { return m_at >= m_bytes.size(); }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

// A violated property: abort, so that the fuzzer keeps the input and the replay test fails.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            qFatal("%s:%d: %s", __FILE__, __LINE__, #condition);                                             \
        }                                                                                                    \
    } while (false)
