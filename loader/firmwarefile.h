#pragma once

#include "loader/recordcheck.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>

namespace loader {

// One product the loader can flash, recognised by the first line (an S0 record) of its firmware.
struct Product
{
    const char* signature;
    // The whole first line, compared exactly.
    const char* header;
    // Written to setup.ini with the upload record.
    const char* name;
    std::array<const char*, 3> bootModeLines;
    // Shown in the status box when a file for this product passed the check.
    const char* statusText;
};

inline constexpr const char* PowerOffFront = "Turn power off on the front button.";
inline constexpr const char* PowerOffMains = "Turn the power off with the Mains switch on the front panel.";
inline constexpr const char* AnalogDigitalHold =
    "Press analog and digital buttons simultaneously and hold them while turning on the power.";
inline constexpr const char* RxReleased = "Release both buttons and RX 900/VX 900 is in bootmode.";
inline constexpr const char* RxStatus = "File for RX 900/VX 900 and file is ok";

inline constexpr std::array<Product, 9> ProductTable{{
    {"RX900", "S0090000525839303000B3", "RX900", {PowerOffFront, AnalogDigitalHold, RxReleased}, RxStatus},
    {"KMA840",
     "S00A00004B4D413834300080",
     "KMA840",
     {PowerOffFront, "Press both volume buttons simultaneously and hold them while turning on the power.",
      "Release both volumebuttons and KMA840 is in bootmode."},
     "File for KMA840 and file is ok"},
    {"SOLSMK3",
     "S00B0000534F4C534D4B3300E8",
     "Solstice Mk.III",
     {PowerOffFront, AnalogDigitalHold, "Release both buttons and Solstice is in bootmode."},
     "File for Solstice Mk.III/Mk.IV and file is ok"},
    {"PL-4",
     "S0080000504C2D3400FA",
     "PL-4",
     {PowerOffFront,
      "Press menu and skip right buttons simultaneously and hold them while turning on the power.",
      "Release both buttons and PL-4 is in bootmode."},
     "File for PL-4 and file is ok"},
    {"RX900+",
     "S00A000052583930302B0087",
     "RX900+",
     {PowerOffFront, AnalogDigitalHold, RxReleased},
     RxStatus},
    {"HALCYON",
     "S00B000048414C43594F4E00E6",
     "Halcyon",
     {PowerOffFront, AnalogDigitalHold, "Release both buttons and Halcyon is in bootmode."},
     "File for Halcyon and file is ok"},
    {"ADC",
     "S00700004144430030",
     "Solstice ADC",
     {PowerOffMains,
      "Press the right and the left control button simultaneously, and hold them while turning the power on.",
      "Release both buttons, and the Solstice ADC will be in bootmode."},
     "File for Solstice ADC and file is ok"},
    {"MZA",
     "S00700004D5A410010",
     "MZA-2",
     {PowerOffMains,
      "Press the digital and analog buttons simultaneously, and hold them while turning the power on.",
      "Release both buttons, and the MZA-2 will be in bootmode."},
     "File for MZA-2 and file is ok"},
    {"QZ",
     "S0060000515A004E",
     "TQ-6",
     {PowerOffMains, "Press the Enter button, and hold it while turning the power on.",
      "Release the button, and the TQ-6 will be in bootmode."},
     "File for TQ-6 and file is ok"},
}};

// S1 data at and above this address is sent but not counted towards 100 %.
inline constexpr int CountedAddressLimit = 0xEF08;
// Added to every total, so that a file without data still has a measure.
inline constexpr qint64 UploadTotalBase = 20;
// "S", the type, a byte count of at most FF and that many bytes in hex: no record is longer.
inline constexpr qsizetype MaxRecordLength = 4 + 2 * 0xFF;
// 64 KiB of data in one-byte records takes under 1 MiB; a file far beyond that is no firmware,
// and checking or sending it would hold the window for long.
inline constexpr qint64 MaxFirmwareFileSize = 4 * 1024 * 1024;

inline constexpr const char* FileFilter = "Korvanes s19 Files (*.s19)";
inline constexpr const char* AllFilesFilter = "All files (*)";
inline constexpr const char* StatusFileNotFound = "File not found";
inline constexpr const char* StatusFileNotValid = "File not valid for any Korvanes product";

// The product whose header record is exactly `firstLine`, or none.
const Product* productForHeader(QByteArrayView firstLine);

// Two lenient hex digits (common::hexDigitValue) starting at the 1-based `position`; a position past
// the end counts 0.
int hexByteAt(QByteArrayView line, qsizetype position);

// What an S1 line contributes: its data byte count (byte count - 3, may be negative for a
// malformed record) and its load address. Empty for every other record type.
struct DataRecord
{
    int dataBytes;
    int address;
};
std::optional<DataRecord> dataRecord(QByteArrayView line);
inline bool isEndRecord(QByteArrayView line)
{
    return line.startsWith("S9");
}

// The line of `content` that starts at `at`, without its terminator (LF, CR LF or a lone CR before
// LF), and at most `keep` characters of it; `at` moves to the next line. Empty at the end.
std::optional<QByteArrayView> nextLine(QByteArrayView content, qsizetype& at, qsizetype keep = -1);

// "Upgrade steps" and the seven steps, each line ended by CR LF, then one more CR LF.
QString guideText();
// CR LF, "Bootmode:", CR LF, then the product's three lines each ended by CR LF.
QString bootModeText(const Product& product);

enum class CheckOutcome
{
    NotFound,
    // Could not be opened, or has no first line.
    Unreadable,
    // The first line is no product's header, or an S1 record is malformed.
    NotValid,
    // A line longer than any record, or a file larger than any firmware: not read on.
    LineTooLong,
    FileTooLarge,
    Valid,
};

struct CheckResult
{
    CheckOutcome outcome = CheckOutcome::Unreadable;
    const Product* product = nullptr;
    qint64 uploadTotal = 0;
    // Lines the upload sends, the header included (Valid only).
    int lines = 0;
    // The bytes checked (Valid only). The upload sends these, never the file again: a file rewritten
    // meanwhile would otherwise go out as a mix of two builds.
    QByteArray content = {};
    // Every record checked (Valid only): the window's check passes a file with damaged records.
    RecordCheck records = {};
};

// Identifies the product of the firmware file at `path` and adds up its counted data bytes.
CheckResult checkFirmwareFile(const QString& path);

// Before an upload: nothing when the file at `path` still holds exactly the bytes `checked`,
// otherwise its check again (a file gone or unreadable now is not valid).
std::optional<CheckResult> recheckFirmwareFile(const QString& path, const QByteArrayView checked);
// What to tell the user about such a file: that it changed since its check and what the new
// check says, and whether the new content is sent or nothing is.
// A file with damaged records is sent only with `sendDamaged`.
QString recheckText(const QString& path, const CheckResult& result, bool sendDamaged = false);

// What the status box says after the check: "File not found", the product's status text, or
// "File not valid for any Korvanes product" (with the reason where it is no plain mismatch).
QString checkStatusText(const CheckResult& result);

} // namespace loader
