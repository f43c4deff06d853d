#pragma once

#include <QCommandLineOption>
#include <QString>
#include <optional>

// Points the programs that read `setupIniPath` at this unit: the port number `com` is pinned to
// `device` and selected, and for an amplifier its network address is entered. The demo and manual
// tests use it; false when the file cannot be written.
bool pinInSetupIni(const QString& setupIniPath, int com, const QString& device, std::optional<int> address);

// The two options that ask for it, shared by the amplifier and the boot loader.
QCommandLineOption setupIniOption();
QCommandLineOption comOption();
