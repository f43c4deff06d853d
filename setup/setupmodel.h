#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <span>

// A model's setup dialog described as data: its read requests, its write packets, and per value
// where it is read and written, how a typed entry is validated, how it is stored on the PC and its
// factory setting. The flow (setupdialog, setuplink) and the codec (setupcodec) work from this alone;
// a model adds a description, a form that binds its controls, and hooks for what no table says.
namespace setup {

// How a value travels in a reply or a packet.
enum class Width : std::uint8_t
{
    Byte,
    Word, // 16 bits, low byte first
    Text, // Field::textLength characters, one byte each
    // A magnitude word, then a sign byte that is 0 for a negative value (the KMA840's relative
    // volumes). NegativeZero puts magnitude 0 with the sign byte 0.
    SignMagnitude,
};
inline constexpr int NegativeZero = -0x10000;

enum class Kind : std::uint8_t
{
    Number,     // a box holding a number (Field::number)
    List,       // a list; the value is the entry's index plus ListRule::offset
    Check,      // a check box, ticked when the value is not 0 (Field::inverted: when it is 0)
    Text,       // a text box sent as bytes (names); without a read place it shows its factory text
    Shown,      // no editable control: shown read-only where bound (a box or a label), written back
                // as read
    PresetLock, // bits 0..7 = preset 1..7 and bypass locked; box k is ticked when bit k-1 is clear
};

// What an entry that fails its rule at Update becomes.
enum class Fallback : std::uint8_t
{
    Keep,    // the value last read or written
    Replace, // OnInvalid::value
    Clamp,   // the nearer end of the range (for a number outside it)
};
struct OnInvalid
{
    Fallback how = Fallback::Keep;
    int value = 0;
};

// Which read reply or write packet (its index in the model's lists) and the 1-based position of
// the value's first byte, counting the length byte as 1. block -1: nowhere.
struct Place
{
    int block = -1;
    int pos = 0;
    constexpr bool exists() const { return block >= 0; }
};

struct NumberRule
{
    // value := the typed number × scale, rounded half to even; shown as value / scale. 10 for
    // tenths; −10 for an attenuation that is shown negative.
    int scale = 1;
    int decimals = 0; // shown with this many decimals: 0 or 1
    int wireOffset = 0;
    int min = 0;
    int max = 0xFFFF;
    OnInvalid outOfRange{};
    OnInvalid notANumber{};
    // The field's oddity, if any: may change the rounded value and the box's text before the
    // range test.
    void (*adjust)(long long& value, QString& text) = nullptr;
};

inline constexpr int NoReselect = -1;
inline constexpr int ReselectStored = -2;

struct ListRule
{
    int count = 0;
    int offset = 0;      // value = index + offset (the start-up preset: 1)
    int acceptLast = -1; // the last entry Update takes; -1: the list's last
    // When an edit leaves no entry selected: the entry selected again, or ReselectStored.
    int reselect = NoReselect;
    // On load a value outside coerceMin..coerceMax becomes coerceTo (none when max < min); checks
    // sharing a byte use it too.
    int coerceMin = 0;
    int coerceMax = -1;
    int coerceTo = 0;

    constexpr bool accepts(int index) const
    {
        return index >= 0 && index <= (acceptLast < 0 ? count - 1 : acceptLast);
    }
};

enum class IniForm : std::uint8_t
{
    None,
    AsTyped,
    OneDecimal,  // a number in the user's one-decimal format; any other text as typed
    Attenuation, // OneDecimal after a number above 0 got a "-" and any other text became "0"
    Index,
    IndexPlusOne,
    Check,   // "1" or "0"
    Value,   // the value in decimal, written only
    Trimmed, // written without blanks at either end, read back as stored
};
struct IniKey
{
    const char* key = nullptr;
    IniForm form = IniForm::None;
    const char* defaultText = "";
};

struct Field
{
    const char* name; // the value's name ("CrossOverFreq"), for messages and tests
    Kind kind;
    Width width = Width::Byte;
    Place read{};
    Place write{};
    NumberRule number{};
    ListRule list{};
    IniKey ini{};
    // "Factoty set.": a box's text, or a list index or check state ("1", "0") as text; nullptr
    // leaves the control as it is.
    const char* factory = nullptr;
    bool inverted = false;
    // A Check that shares its byte with others: the bit it stands for.
    int mask = 0;
    int textLength = 0;
    // A longer Text is cut to textLength; otherwise its packet is not sent at all.
    bool cutText = false;
    // A second place the same value is written (a byte that two packets carry).
    Place copy{};
    // A Shown value's text where it is not a plain number ("Focus 3").
    QString (*shownText)(int value) = nullptr;
    // The dialog's words for the value, with the keyboard mnemonic of its row ("Def. &Volume"): its
    // label, or its accessible name where the row has no label of its own. Configuration files name
    // the value so too. nullptr where the dialog does not name it.
    const char* caption = nullptr;
};

// The shapes most fields have.
constexpr Field numberField(const char* name, Width width, Place read, Place write, NumberRule rule,
                            IniKey ini, const char* factory)
{
    return {.name = name,
            .kind = Kind::Number,
            .width = width,
            .read = read,
            .write = write,
            .number = rule,
            .ini = ini,
            .factory = factory};
}
constexpr Field listField(const char* name, ListRule rule, Place read, Place write, IniKey ini,
                          const char* factory)
{
    return {.name = name,
            .kind = Kind::List,
            .read = read,
            .write = write,
            .list = rule,
            .ini = ini,
            .factory = factory};
}
constexpr Field checkField(const char* name, Place read, Place write, IniKey ini, const char* factory)
{
    return {.name = name, .kind = Kind::Check, .read = read, .write = write, .ini = ini, .factory = factory};
}
constexpr Field textField(const char* name, int length, Place read, Place write, const char* factory)
{
    return {.name = name,
            .kind = Kind::Text,
            .width = Width::Text,
            .read = read,
            .write = write,
            .factory = factory,
            .textLength = length};
}
constexpr Field presetLockField(Place read)
{
    return {
        .name = "PresetLock", .kind = Kind::PresetLock, .read = read, .ini = {"Preset Lock", IniForm::Value}};
}
// The rows every dialog begins with, named as it shows them. preset and presetLock -1: none.
struct CommonRows
{
    int name;
    int address;
    int speed;
    int defVol;
    int maxVol;
    int irEnabled;
    int preset = -1;
    int presetLock = -1;
};
constexpr void captionCommonRows(std::span<Field> f, const CommonRows& rows)
{
    f[rows.name].caption = "&Name";
    f[rows.address].caption = "Link &ID";
    f[rows.speed].caption = "Lin&k Speed";
    f[rows.defVol].caption = "Def. &Volume";
    f[rows.maxVol].caption = "Ma&x. Volume";
    f[rows.irEnabled].caption = "IR &enabled";
    if (rows.preset >= 0) {
        f[rows.preset].caption = "P&reset";
        f[rows.presetLock].caption = "Avaliable Presets (read only)";
    }
}

// Every value of a model's enum has its field: a forgotten one has no name.
constexpr bool allNamed(std::span<const Field> fields)
{
    for (const Field& f : fields) {
        if (!f.name)
            return false;
    }
    return true;
}

// Volumes in tenths and the address, where an invalid entry keeps the stored value.
inline constexpr NumberRule KeptTenths{.scale = 10, .decimals = 1, .min = 0, .max = 999};
inline constexpr NumberRule KeptAddress{.min = 0, .max = 255};

enum class ReadSender : std::uint8_t
{
    Short,   // SendShortCommand
    Command, // SendCommand with Read::data (waits for the acknowledgement where the table says so)
};
struct Read
{
    int command; // command table index
    int minLength;
    ReadSender sender = ReadSender::Short;
    int data = 0;
};

enum class Sender : std::uint8_t
{
    SetupPacket, // SendSetupPacket: reopens the port, frames with the dialog's address, awaits nothing
    LongCommand, // SendLongCommand, waiting for the acknowledgement
    Command,     // SendCommand with the data bytes, then a wait until the acknowledgement is there
};
struct Packet
{
    int command; // command table index: code and length
    Sender sender;
    int lead = -1; // a fixed first data byte (the input a SetInputName names); -1: none
};

struct ModelSpec
{
    const char* name;  // "VX 900": the Default question
    const char* title; // the window caption
    std::span<const Read> reads;
    std::span<const Packet> packets;
    std::span<const Field> fields;
    int nameField;                                         // its text names the section in setup.ini
    int addressField;                                      // DevAdr
    int speedField;                                        // ComSpe
    const char* defaultCaption;                            // DefButton
    const char* updateToolTip;                             // OKButton
    const char* defaultToolTip = "Defaults the amplifier"; // nullptr: none
    // "Factoty set." trims the name box and looks up "Saved" again.
    bool factoryChecksSaved = true;
};

// The dialog's values, one per field: numbers for every kind but Text.
struct Values
{
    QList<int> number;
    QList<QString> text;
};

// What a control holds: a box's text; a list's index (-1: none) or a check's state (0, 1); the
// preset boxes' bits.
struct Entry
{
    QString text;
    int index = -1;
    bool operator==(const Entry&) const = default;
};
using Controls = QList<Entry>;

} // namespace setup
