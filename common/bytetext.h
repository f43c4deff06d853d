#pragma once

#include <QByteArray>
#include <QString>

namespace common {

// Bytes travel as text with one character per byte (character code = byte value); Latin-1 maps
// every byte 0..255 to the character of the same code and back, so nothing is lost either way.
inline QString textFromBytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}
inline QByteArray bytesFromText(const QString& text)
{
    return text.toLatin1();
}

// Byte at a 1-based position, as replies are read; 0 when the position lies outside.
inline int byteAt(const QByteArray& bytes, qsizetype position)
{
    if (position < 1 || position > bytes.size())
        return 0;
    return static_cast<unsigned char>(bytes[position - 1]);
}

// One hexadecimal digit, read leniently: "0"-"9", "a"-"f" and "A"-"F" give 0..15, any other character 0.
constexpr int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 0;
}

} // namespace common
