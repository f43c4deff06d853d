#pragma once

#include "settings/inidocument.h"
#include "setup/setupmodel.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <optional>
#include <variant>

// An amplifier's configuration as a file: one INI section as "Save to PC" writes it (the same
// keys, values and formats, so that other tools read it as a saved section), and after those keys
// of our own naming the amplifier it came from. The codec of Save to PC and Get from PC
// (setupstore) writes and reads it.
namespace setup {

// Our keys, beside the model's.
inline constexpr char ModelKey[] = "Model";
inline constexpr char ModelCodeKey[] = "Model Code";
inline constexpr char FirmwareKey[] = "Firmware Version";
inline constexpr char DateKey[] = "Backup Date";
inline constexpr char ProgramKey[] = "Program Version";

// "VX 900S", "KMA840": the model as the main window names it; "model N" for a code no model reports.
QString modelCaption(int modelCode);

// Where a configuration came from.
struct ConfigOrigin
{
    int modelCode = 0;
    int firmwareVersion = 0;
    QString program; // "Tevlin 1.1.0"
};

// The whole file: the section of Save to PC, named by the name box, then our keys. `controls`
// shows what Save to PC normalised (an attenuation's sign).
QByteArray configFileBytes(const ModelSpec& spec, Controls& controls, const Values& values,
                           const ConfigOrigin& origin, const QDateTime& now = QDateTime::currentDateTime());
// Replaces the file at `path` as a whole, or leaves it as it was; the reason when it could not.
std::optional<QString> writeConfigFile(const QString& path, const QByteArray& bytes);

struct ConfigFile
{
    QString section;
    IniDocument document;
    // The model code the file names; nothing when it names none (a file of another tool).
    std::optional<int> modelCode;

    // A key's value as Get from PC takes it: nothing when it is missing or empty.
    std::optional<QString> value(const QString& key) const;
    // "KMA840", or the model key's text, or "an unknown model".
    QString modelName() const;
};

// The file's first section; the reason when it cannot be read or holds no section.
std::variant<ConfigFile, QString> readConfigFile(const QString& path);
std::variant<ConfigFile, QString> parseConfigFile(const QByteArray& bytes);

// Fills `controls` from the file as Get from PC fills them from setup.ini: a missing key gives its
// default. The name box takes the file's "Name" where the amplifier keeps a name that is written.
// Returns the model's keys that were missing.
QStringList loadConfig(const ModelSpec& spec, const ConfigFile& file, Controls& controls);

// The controls of a read: what the dialog shows once loaded (its name without blanks around it).
Controls loadedControls(const ModelSpec& spec, const Values& values);

// A value the file and the amplifier hold differently, in the file's words: its key, and each
// side's text as Save to PC writes it.
struct Difference
{
    int field = 0;
    QString label;
    QString fileText;
    QString amplifierText;
};

// What Update would send after the file was loaded over the amplifier's values `read`: the packets'
// data, the values they carry (`sent`), and the keys the file lacked.
struct Restore
{
    QList<std::optional<QByteArray>> data;
    Values sent;
    QStringList missing;
};
Restore restoreFrom(const ModelSpec& spec, const ConfigFile& file, const Values& read, bool keepLink = false);

// The values the file would change, compared after both sides passed Update's rules.
QList<Difference> differences(const ModelSpec& spec, const ConfigFile& file, const Values& read,
                              QStringList* missing = nullptr);
// The written values where `readBack` differs from `sent` (names as the amplifier keeps them).
QList<Difference> notTaken(const ModelSpec& spec, const Values& sent, const Values& readBack);

} // namespace setup
