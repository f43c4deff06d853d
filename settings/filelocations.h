#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <optional>

// setup.ini and Log.txt live in the program's directory when that is a portable install (a build
// tree, a copy in a folder of its own): writable, and not where installed programs live. Otherwise
// both programs share one per-user directory.
QString dataDirectory();
QString dataDirectoryFor(const QString& programDirectory, const QString& userDirectory);

// Where installed programs live, which is never a portable install even when writable (as root):
// /usr, /bin, /sbin, /lib*, /snap, /nix and everything under them, a bin directory under /opt, a
// bin directory beside a share directory (a prefix such as /usr/local or ~/.local), and on Windows
// the Program Files folders.
bool isInstallLocation(const QString& directory);

QString SetupIniPath();
// setup.ini in `directory` for this run (created when missing), or in the usual place when
// `directory` is empty; nothing when the directory cannot be made.
std::optional<QString> setupIniPathIn(const QString& directory);

// "--settings-dir DIR", which both programs take: setup.ini and Log.txt live in DIR for that run.
QCommandLineOption settingsDirOption();
// setup.ini as the parsed options ask; nothing, after saying why on standard error, when the
// directory cannot be made.
std::optional<QString> setupIniPathFor(const QCommandLineParser& options);
// Log.txt lives beside setup.ini.
QString logFilePath(const QString& setupIniPath);
