#pragma once

#include <QSerialPort>
#include <QString>

// The port set-up's error numbers, as the programs have always reported them.
namespace PortError {
constexpr int NoSuchPort = 8002;
constexpr int AlreadyOpen = 8005;
constexpr int NotOpen = 8012;
// Errors without a number of their own get this base plus Qt's error code.
constexpr int OtherBase = 8100;
} // namespace PortError

struct PortProblem
{
    int number = 0;
    // The number's text as the port set-up has always shown it, then what the user can do about
    // it, for a message box.
    QString message;
    // What is wrong in a few words ("not a serial device"); empty where nothing more is known.
    QString words;
    // The device is there but the user may not use it (not in the dialout group).
    bool accessDenied = false;

    // The number's text and the words on one line, for a command line or a status bar.
    QString line() const;
};

// Maps a failed open of `device` to its number and the message the user sees.
PortProblem describePortError(QSerialPort::SerialPortError error, const QString& device);
