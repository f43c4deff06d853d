#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <optional>

// Small helpers of the programs' runs without a window.
namespace common {

// Writes `text` and a line end at once, so that a script reading the pipe sees each line as it comes.
void printLine(std::FILE* out, const QString& text);

// Whether `stream` goes to a terminal (a person reading), not to a file or a pipe. False where it
// cannot be told.
bool isTerminal(std::FILE* stream);

// Whether `arguments` hold one of the options `names` ("check" for "--check" or "--check=…").
bool mentionsOption(const QStringList& arguments, const QStringList& names);

// The program's arguments, before an application object exists to give them.
QStringList argumentsOf(int argc, char* argv[]);

// `arguments` without the options that Qt's window classes take for themselves (-platform NAME,
// -style NAME, -reverse, …), which a window's application object removes before the program sees
// them; a run without a window has none to remove them.
QStringList withoutQtOptions(const QStringList& arguments);

// Whether the program takes the options of Qt's window classes (see withoutQtOptions).
enum class QtWindowOptions
{
    Refused,
    Taken,
};

// Parses the application's arguments as QCommandLineParser::process() does (--help and --version end
// the run there), except that a wrong option, a missing value or more than `bareArguments` arguments
// that are no option are a usage error like any other: said on standard error after "`program`: ",
// and false (exit code 2; process() would end the run with 1, and ignore the extra arguments).
bool processOptions(QCommandLineParser& options, const char* program, qsizetype bareArguments = 0,
                    QtWindowOptions qt = QtWindowOptions::Refused);

// Says `problem` on standard error after "`program`: " and gives the usage error's exit code.
int usageError(const char* program, const QString& problem);

// A whole decimal number within `lowest`..`highest`, or nothing.
std::optional<int> numberIn(const QString& text, int lowest, int highest);

} // namespace common
