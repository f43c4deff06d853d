#pragma once

#include "common/exitcode.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <variant>

// Corlift without its window: `--check FILE` and `--flash FILE --port P [--port P ...]`; a bare FILE
// (as a desktop opens a file) is the window's, which checks it at once.
namespace corlift {

struct CommandOptions
{
    enum class Mode
    {
        Window,
        Check,
        Flash,
    };
    Mode mode = Mode::Window;
    QString file;
    QStringList ports;
    std::optional<int> delayMs;
    std::optional<std::chrono::seconds> bootTimeout;
    bool json = false;
    bool loop = false;
    // --flash sends a file with damaged records as it is, instead of refusing it.
    bool sendDamaged = false;
};

// The options of both the window and the command line, so that --help lists them all.
void addCommandLineOptions(QCommandLineParser& parser);
// Whether the arguments ask for a run without a window; looked at before the application object
// exists, which must not need a display then.
bool wantsCommandLine(const QStringList& arguments);
// The parsed options, or what is wrong with them.
std::variant<CommandOptions, QString> readCommandOptions(const QCommandLineParser& parser);

int runCommandLine(const CommandOptions& options, const QString& setupIniPath);

} // namespace corlift
