#pragma once

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

// A whole decimal number within `lowest`..`highest`, or nothing.
std::optional<int> numberIn(const QString& text, int lowest, int highest);

} // namespace common
