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

// Whether `arguments` hold one of the options `names` ("check" for "--check" or "--check=…").
bool mentionsOption(const QStringList& arguments, const QStringList& names);

// The program's arguments, before an application object exists to give them.
QStringList argumentsOf(int argc, char* argv[]);

// Parses the application's arguments as QCommandLineParser::process() does (--help and --version end
// the run there), except that a wrong option is a usage error like any other: said on standard error
// after "`program`: ", and false (exit code 2; process() would end the run with 1).
bool processOptions(QCommandLineParser& options, const char* program);

// A whole decimal number within `lowest`..`highest`, or nothing.
std::optional<int> numberIn(const QString& text, int lowest, int highest);

} // namespace common
