// The firmware check against a small reference of the record rules written apart from it.
#include "fuzzinput.h"
#include "loader/firmwarefile.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using loader::CheckOutcome;

struct Expected
{
    CheckOutcome outcome;
    qint64 total = 0;
};

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
    return {CheckOutcome::Valid, total};
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
    if (expected.outcome == CheckOutcome::Valid)
        FUZZ_CHECK(result.uploadTotal == expected.total && result.product);
    return 0;
}
