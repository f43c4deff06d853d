#pragma once

#include <QString>

// setup.ini and Log.txt live in the program's directory when it is writable (a portable install,
// a build tree); otherwise both programs share one per-user directory.
QString dataDirectory();
QString dataDirectoryFor(const QString& programDirectory, const QString& userDirectory);

QString SetupIniPath();
// Log.txt lives beside setup.ini.
QString logFilePath(const QString& setupIniPath);
