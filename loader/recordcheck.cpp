#include "loader/recordcheck.h"

#include <array>

namespace loader {

namespace {

// "S" and the type digit come before the hex digits.
constexpr qsizetype TypeLength = 2;
// Address bytes per record type S0..S9; 0 for S4, which no format defines.
constexpr std::array<int, 10> AddressBytes{2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<DamagedRecord> checkRecord(QByteArrayView line, int lineNumber)
{
    if (line.isEmpty())
        return std::nullopt;
    DamagedRecord damage{lineNumber};
    const auto fault = [&](RecordFault kind, int expected = 0, int found = 0) {
        damage.fault = kind;
        damage.expected = expected;
        damage.found = found;
        return damage;
    };
    if (line.size() < TypeLength || line[0] != 'S' || line[1] < '0' || line[1] > '9')
        return fault(RecordFault::NotARecord);
    const int addressBytes = AddressBytes[static_cast<size_t>(line[1] - '0')];
    if (addressBytes == 0)
        return fault(RecordFault::UnknownType);

    for (qsizetype i = TypeLength; i < line.size(); ++i) {
        if (hexDigit(line[i]) < 0) {
            damage.column = static_cast<int>(i + 1);
            return fault(RecordFault::NotHex);
        }
    }
    const qsizetype digits = line.size() - TypeLength;
    if (digits % 2 != 0)
        return fault(RecordFault::OddDigits, 0, static_cast<int>(digits));
    const auto byteAt = [&](qsizetype index) {
        const qsizetype at = TypeLength + 2 * index;
        return hexDigit(line[at]) * 16 + hexDigit(line[at + 1]);
    };
    const int bytes = static_cast<int>(digits / 2);
    // The byte count, then the address, the data and the checksum it counts.
    if (bytes == 0)
        return fault(RecordFault::CountTooSmall, addressBytes + 1, 0);
    const int count = byteAt(0);
    if (count < addressBytes + 1)
        return fault(RecordFault::CountTooSmall, addressBytes + 1, count);
    if (count != bytes - 1)
        return fault(RecordFault::CountMismatch, count, bytes - 1);
    int sum = 0;
    for (int i = 0; i < bytes - 1; ++i)
        sum += byteAt(i);
    const int checksum = ~sum & 0xFF;
    if (byteAt(bytes - 1) != checksum)
        return fault(RecordFault::Checksum, byteAt(bytes - 1), checksum);
    return std::nullopt;
}

RecordCheck checkRecords(QByteArrayView content, qsizetype keep)
{
    RecordCheck check;
    int lineNumber = 0;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        QByteArrayView line = content.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        ++lineNumber;
        if (const auto damage = checkRecord(line, lineNumber)) {
            ++check.damaged;
            if (check.first.size() < keep)
                check.first << *damage;
        }
        start = end + 1;
    }
    return check;
}

QString describe(const DamagedRecord& record)
{
    const auto hex = [](int value) {
        return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
    };
    QString fault;
    switch (record.fault) {
    case RecordFault::NotARecord:
        fault = QStringLiteral("not an S-record (it must start with S and the type digit)");
        break;
    case RecordFault::UnknownType:
        fault = QStringLiteral("S4 is no record type");
        break;
    case RecordFault::NotHex:
        fault = QStringLiteral("character %1 is not a hex digit").arg(record.column);
        break;
    case RecordFault::OddDigits:
        fault = QStringLiteral("an odd number of hex digits (%1): one is missing or one too many")
                    .arg(record.found);
        break;
    case RecordFault::CountTooSmall:
        fault = QStringLiteral("byte count %1 is too small for this record type (at least %2)")
                    .arg(hex(record.found), hex(record.expected));
        break;
    case RecordFault::CountMismatch:
        fault = QStringLiteral("byte count %1 says %2 bytes follow, but %3 do")
                    .arg(hex(record.expected))
                    .arg(record.expected)
                    .arg(record.found);
        break;
    case RecordFault::Checksum:
        fault = QStringLiteral("checksum %1, but the record's bytes give %2")
                    .arg(hex(record.expected), hex(record.found));
        break;
    }
    return QStringLiteral("line %1: %2").arg(record.line).arg(fault);
}

} // namespace loader
