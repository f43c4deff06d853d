#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Builds S-record firmware files for the tests: real record syntax with correct checksums, made-up data.
namespace srec {

inline QByteArray hex(int value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

inline QByteArray s1(int address, const QByteArray& data)
{
    const int count = data.size() + 3;
    int sum = count + (address >> 8) + (address & 0xFF);
    for (const char b : data)
        sum += static_cast<unsigned char>(b);
    return "S1" + hex(count, 2) + hex(address, 4) + data.toHex().toUpper() + hex(~sum & 0xFF, 2);
}

inline const QByteArray s9 = "S9030000FC";

// A header line, `lines` S1 records of `bytesPerLine` bytes from address 0, an S9 record; CR LF line ends.
inline QByteArray firmware(const QByteArray& header, int lines, int bytesPerLine = 16)
{
    QByteArray text = header + "\r\n";
    for (int i = 0; i < lines; ++i) {
        QByteArray data;
        for (int b = 0; b < bytesPerLine; ++b)
            data += char((i * bytesPerLine + b) & 0xFF);
        text += s1(i * bytesPerLine, data) + "\r\n";
    }
    return text + s9 + "\r\n";
}

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace srec
