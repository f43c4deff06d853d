#pragma once

#include "common/exitcode.h"
#include "control/operatingstate.h"
#include "control/statusreply.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <variant>

// Tevlin without its window: `--status`, `--set NAME=VALUE …` and `--scan`.
namespace control::cli {

// One `--set`: what the window's control for it would do.
struct Setting
{
    enum class Kind
    {
        Volume,
        StartupVolume,
        MaxVolume,
        Balance,
        Mute,
        Power,
        Input,
    };
    Kind kind;
    // Volumes and balance as typed (the window's box rules); on/off for mute and power; the input
    // number 1..9 (A1..A4, D1..D5).
    QString text;
    bool on = false;
    int input = 0;
    // As given, for messages.
    QString given;

    bool operator==(const Setting&) const = default;
};

// "volume=45.5", "startup-volume=30", "max-volume=80", "balance=-1.5", "mute=on", "power=standby",
// "input=D2" (or A1..A4, D1..D5, 1..9); nothing is sent yet, so the value is only checked for form.
std::variant<Setting, QString> parseSetting(const QString& text);

// Changes the wanted values as the window's control would: the next poll sends the corrections.
void applySetting(OperatingState& state, const Setting& setting, bool linkConnected, int modelCode);
// What the amplifier did not take of `setting` exactly, as `reply` (read after the writes) shows it:
// "asked …, got …: why", the why as far as the reply tells it; nothing when it has the value asked
// for (volumes to the tenth, as the boxes take them).
std::optional<QString> notApplied(const Setting& setting, const StatusReply& reply);

struct CommandOptions
{
    enum class Mode
    {
        Window,
        Status,
        Set,
        Scan,
    };
    Mode mode = Mode::Window;
    QString port;
    // Nothing: the address in setup.ini, as the window takes it.
    std::optional<int> address;
    int speedIndex = 0;
    int from = 1;
    int to = 255;
    QList<Setting> settings;
    bool json = false;
    std::optional<std::chrono::milliseconds> timeout;
};

void addCommandLineOptions(QCommandLineParser& parser);
bool wantsCommandLine(const QStringList& arguments);
std::variant<CommandOptions, QString> readCommandOptions(const QCommandLineParser& parser);
int runCommandLine(const CommandOptions& options, const QString& setupIniPath);

} // namespace control::cli
