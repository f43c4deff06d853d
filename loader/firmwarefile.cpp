#include "loader/firmwarefile.h"

#include "common/bytetext.h"

#include <QFile>
#include <QFileInfo>
#include <variant>

namespace loader {

namespace {

// A header record is short; anything longer cannot match, so the first line is read only so far.
constexpr qsizetype HeaderReadLimit = 64;
constexpr qsizetype CountPosition = 3;
constexpr qsizetype AddressPosition = 5;
// Address (2) and checksum (1) are part of the byte count.
constexpr int RecordOverhead = 3;

} // namespace

const Product* productForHeader(QByteArrayView firstLine)
{
    for (const Product& product : ProductTable) {
        if (firstLine == QByteArrayView(product.header))
            return &product;
    }
    return nullptr;
}

int hexByteAt(QByteArrayView line, qsizetype position)
{
    const auto digit = [&](qsizetype at) {
        return at >= 1 && at <= line.size() ? common::hexDigitValue(static_cast<unsigned char>(line[at - 1]))
                                            : 0;
    };
    return digit(position) * 16 + digit(position + 1);
}

std::optional<DataRecord> dataRecord(QByteArrayView line)
{
    if (!line.startsWith("S1"))
        return std::nullopt;
    return DataRecord{hexByteAt(line, CountPosition) - RecordOverhead,
                      hexByteAt(line, AddressPosition) * 256 + hexByteAt(line, AddressPosition + 2)};
}

std::optional<QByteArrayView> nextLine(QByteArrayView content, qsizetype& at, qsizetype keep)
{
    if (at < 0 || at >= content.size())
        return std::nullopt;
    const qsizetype lineFeed = content.indexOf('\n', at);
    const qsizetype end = lineFeed < 0 ? content.size() : lineFeed;
    QByteArrayView line = content.sliced(at, end - at);
    at = lineFeed < 0 ? content.size() : lineFeed + 1;
    if (line.endsWith('\r'))
        line.chop(1);
    if (keep >= 0 && line.size() > keep)
        line.truncate(keep);
    return line;
}

QString guideText()
{
    static const char* const lines[] = {
        "Upgrade steps",
        "1: Make sure that a serial cable is connected between PC and the product you wish to upgrade.",
        "2: Select file to upload.",
        "3: Check that COM port is correct.",
        "4: Click 'Open Comm port'.",
        "5: Start the product in boot mode.",
        "6: Upload new software.",
        "7: Wait for the product to Initialize.",
    };
    QString text;
    for (const char* line : lines)
        text += QLatin1String(line) + QLatin1String("\r\n");
    return text + QLatin1String("\r\n");
}

QString bootModeText(const Product& product)
{
    QString text = QStringLiteral("\r\nBootmode:\r\n");
    for (const char* line : product.bootModeLines)
        text += QLatin1String(line) + QLatin1String("\r\n");
    return text;
}

namespace {

// The file whole, as the check and the upload take it: one read, so both see the same bytes.
std::variant<QByteArray, CheckOutcome> readFirmwareFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return CheckOutcome::NotFound;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CheckOutcome::Unreadable;
    if (file.size() > MaxFirmwareFileSize)
        return CheckOutcome::FileTooLarge;
    // As much as the file holds, and one byte more, which tells a file that grew since its size was
    // taken; such a file is read on to one byte past the limit. (Asking for the limit at once would
    // set aside 4 MiB for every check.)
    const qint64 size = file.size();
    QByteArray content = file.read(size + 1);
    if (content.size() > size && file.error() == QFileDevice::NoError)
        content += file.read(MaxFirmwareFileSize + 1 - content.size());
    if (file.error() != QFileDevice::NoError)
        return CheckOutcome::Unreadable;
    if (content.size() > MaxFirmwareFileSize)
        return CheckOutcome::FileTooLarge;
    return content;
}

CheckResult checkContent(const QByteArray& content)
{
    qsizetype at = 0;
    const auto first = nextLine(content, at, HeaderReadLimit);
    if (!first)
        return {CheckOutcome::Unreadable};

    CheckResult result{CheckOutcome::NotValid, productForHeader(*first), 0};
    if (result.product == nullptr)
        return result;

    qint64 total = 0;
    int lines = 1;
    bool ended = false;
    // Lines after the end record are not counted, but the upload sends them too.
    while (const auto line = nextLine(content, at, MaxRecordLength + 1)) {
        ++lines;
        if (line->size() > MaxRecordLength)
            return {CheckOutcome::LineTooLong, result.product};
        if (ended)
            continue;
        if (const auto record = dataRecord(*line)) {
            // A record too short to hold its own address and checksum: the file is damaged.
            if (record->dataBytes < 0)
                return result;
            if (record->address < CountedAddressLimit)
                total += record->dataBytes;
        } else {
            ended = isEndRecord(*line);
        }
    }
    result.outcome = CheckOutcome::Valid;
    result.uploadTotal = total + UploadTotalBase;
    result.lines = lines;
    result.content = content;
    result.records = checkRecords(content);
    return result;
}

} // namespace

CheckResult checkFirmwareFile(const QString& path)
{
    const auto read = readFirmwareFile(path);
    if (const CheckOutcome* outcome = std::get_if<CheckOutcome>(&read))
        return {*outcome};
    return checkContent(std::get<QByteArray>(read));
}

std::optional<CheckResult> recheckFirmwareFile(const QString& path, const QByteArrayView checked)
{
    const auto read = readFirmwareFile(path);
    if (const CheckOutcome* outcome = std::get_if<CheckOutcome>(&read))
        return CheckResult{*outcome};
    const QByteArray& content = std::get<QByteArray>(read);
    if (content == checked)
        return std::nullopt;
    return checkContent(content);
}

QString recheckText(const QString& path, const CheckResult& result, bool sendDamaged)
{
    const QString name = QFileInfo(path).fileName();
    QString found = checkStatusText(result);
    bool sent = result.outcome == CheckOutcome::Valid;
    if (sent && result.records.damaged > 0) {
        found += QStringLiteral(", but %1").arg(describe(result.records.first.front()));
        sent = sendDamaged;
    }
    return sent ? QStringLiteral(
                      "%1 changed since it was checked; checked again: %2. The new content is sent.")
                      .arg(name, found)
                : QStringLiteral("%1 changed since it was checked; checked again: %2. Nothing is sent.")
                      .arg(name, found);
}

QString checkStatusText(const CheckResult& result)
{
    switch (result.outcome) {
    case CheckOutcome::NotFound:
        return QLatin1String(StatusFileNotFound);
    case CheckOutcome::Valid:
        return QLatin1String(result.product->statusText);
    case CheckOutcome::LineTooLong:
        return QLatin1String(StatusFileNotValid) +
               QStringLiteral(" (a line is longer than any S-record can be)");
    case CheckOutcome::FileTooLarge:
        return QLatin1String(StatusFileNotValid) +
               QStringLiteral(" (the file is larger than any firmware can be)");
    case CheckOutcome::Unreadable:
    case CheckOutcome::NotValid:
        break;
    }
    return QLatin1String(StatusFileNotValid);
}

} // namespace loader
