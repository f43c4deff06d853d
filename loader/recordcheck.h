#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// Every record of a firmware file checked as a Motorola S-record: its type, hex digits, byte count and
// checksum. The window's check looks at the first line and the S1 byte counts only; this one finds a
// record damaged on the way (a lost or changed character), which the boot loader would take as it is.
namespace loader {

enum class RecordFault
{
    NotARecord,  // does not start with "S" and a type digit
    UnknownType, // "S4"
    NotHex,      // `column` holds a character that is no hex digit
    OddDigits,   // `found` hex digits after the type
    CountTooSmall,
    CountMismatch, // the byte count says `expected` bytes follow, `found` do
    Checksum,      // the record holds `expected`, its bytes give `found`
};

struct DamagedRecord
{
    int line = 0; // counted from 1, as an editor does
    RecordFault fault = RecordFault::NotARecord;
    int column = 0;
    int expected = 0;
    int found = 0;

    bool operator==(const DamagedRecord&) const = default;
};

// The fault of one line (without its line end), or none; an empty line is no record and no fault.
std::optional<DamagedRecord> checkRecord(QByteArrayView line, int lineNumber);

struct RecordCheck
{
    // The first damaged records, in file order (at most the `keep` asked for).
    QList<DamagedRecord> first;
    int damaged = 0;
};
// Checks each line of `content`, split as the upload sends it (LF, CR LF).
RecordCheck checkRecords(QByteArrayView content, qsizetype keep = 10);

// "line 12: checksum 3A, but the record's bytes give 3B".
QString describe(const DamagedRecord& record);

} // namespace loader
