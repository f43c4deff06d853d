#pragma once

#include "serial/portmap.h"

#include <QString>
#include <variant>

// A port named on a command line: "COM3" as the menus number it, a device path, or a network
// port ("rfc2217://HOST:PORT", "tcp://HOST:PORT").
struct PortChoice
{
    // As the user wrote it, for what the program prints.
    QString label;
    int number = 0;
    QString device;

    // A map in which `number` opens `device`, for the serial link of this port alone.
    PortMap portMap() const;
};

// "COM3" (in any case) is the device `map` gives number 3; a path or network address is that device, under
// the number the map gives it where it has one (COM1 otherwise). A number without a device, or text that is
// neither, gives the reason instead.
std::variant<PortChoice, QString> choosePort(const QString& text, const PortMap& map);

// Whether `text` has the form of a port, COM1..COM16 or a device path, whether or not a device is
// there: choosePort() refusing such a text means a port without a device, not a mistyped option.
bool namesPort(const QString& text);

// The file behind `choice`'s device, the same for every name of it (a symbolic link, "/dev/pts//3");
// the device as named when it is not a file that exists.
QString deviceIdentity(const PortChoice& choice);
