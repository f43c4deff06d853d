// The firmware check, and the check of every record, against a small reference of the record rules
// written apart from them.
#include "fuzzinput.h"
#include "loader/firmwarefile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using loader::CheckOutcome;

using loader::RecordFault;

struct Expected
{
    CheckOutcome outcome;
    qint64 total = 0;
    // Of a valid file: how many records are damaged, and the first one's line and fault.
    int damaged = 0;
    int firstLine = 0;
    RecordFault firstFault = RecordFault::NotARecord;
};

// A record's bytes, the checksum included, add up to FF.
std::optional<RecordFault> recordFault(const QByteArray& line)
{
    if (line.size() < 2 || line[0] != 'S' || !QByteArray("0123456789").contains(line[1]))
        return RecordFault::NotARecord;
    if (line[1] == '4')
        return RecordFault::UnknownType;
    const QByteArray digits = line.mid(2);
    for (const char c : digits) {
        if (!QByteArray("0123456789abcdefABCDEF").contains(c))
            return RecordFault::NotHex;
    }
    if (digits.size() % 2 != 0)
        return RecordFault::OddDigits;
    const QByteArray bytes = QByteArray::fromHex(digits);
    const int minimum = QByteArray("268").contains(line[1]) ? 4 : QByteArray("37").contains(line[1]) ? 5 : 3;
    if (bytes.isEmpty() || static_cast<unsigned char>(bytes[0]) < minimum)
        return RecordFault::CountTooSmall;
    if (static_cast<unsigned char>(bytes[0]) != bytes.size() - 1)
        return RecordFault::CountMismatch;
    unsigned char sum = 0;
    for (const char b : bytes)
        sum = static_cast<unsigned char>(sum + static_cast<unsigned char>(b));
    return sum == 0xFF ? std::nullopt : std::optional(RecordFault::Checksum);
}

int hexAt(const QByteArray& line, qsizetype index)
{
    const char c = index < line.size() ? line[index] : '0';
    const int digit = QByteArray("0123456789ABCDEF").indexOf(QByteArray(1, c).toUpper());
    return digit < 0 ? 0 : digit;
}

int byteAt(const QByteArray& line, qsizetype index)
{
    return hexAt(line, index) * 16 + hexAt(line, index + 1);
}

Expected reference(const QByteArray& content)
{
    if (content.isEmpty())
        return {CheckOutcome::Unreadable};
    QList<QByteArray> lines = content.split('\n');
    if (content.endsWith('\n'))
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!loader::productForHeader(lines.front()))
        return {CheckOutcome::NotValid};
    qint64 total = 20;
    bool ended = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.size() > 514)
            return {CheckOutcome::LineTooLong};
        if (ended)
            continue;
        if (line.startsWith("S1")) {
            const int count = byteAt(line, 2) - 3;
            if (count < 0)
                return {CheckOutcome::NotValid};
            if (byteAt(line, 4) * 256 + byteAt(line, 6) < 0xEF08)
                total += count;
        }
        ended = line.startsWith("S9");
    }
    Expected valid{CheckOutcome::Valid, total};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto fault = lines[i].isEmpty() ? std::nullopt : recordFault(lines[i]);
        if (fault && valid.damaged++ == 0) {
            valid.firstLine = static_cast<int>(i + 1);
            valid.firstFault = *fault;
        }
    }
    return valid;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.s19"));
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    const loader::CheckResult result = loader::checkFirmwareFile(path);
    const Expected expected = reference(content);
    FUZZ_CHECK(result.outcome == expected.outcome);
    if (expected.outcome != CheckOutcome::Valid)
        return 0;
    FUZZ_CHECK(result.uploadTotal == expected.total && result.product);
    FUZZ_CHECK(result.records.damaged == expected.damaged);
    if (expected.damaged > 0) {
        const loader::DamagedRecord& first = result.records.first.front();
        FUZZ_CHECK(first.line == expected.firstLine && first.fault == expected.firstFault);
        FUZZ_CHECK(loader::describe(first).startsWith(QStringLiteral("line %1: ").arg(expected.firstLine)));
    }
    return 0;
}
