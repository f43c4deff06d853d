#include "serial/porterror.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// On Unix an open refused with a permission error is either a device we may not use or one that
// another program holds locked; only the first needs the user to change something.
bool mayAccess(const QString& device)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(device);
    return true;
#endif
}

bool isCharacterDevice(const QString& device)
{
#ifdef Q_OS_UNIX
    struct stat info = {};
    return ::stat(QFile::encodeName(device).constData(), &info) == 0 && S_ISCHR(info.st_mode);
#else
    Q_UNUSED(device);
    return true;
#endif
}

QString messageFor(int number)
{
    switch (number) {
    case PortError::NoSuchPort:
        return QStringLiteral("Comm Port not available!");
    case PortError::AlreadyOpen:
        return QStringLiteral("Comm Port already open");
    case PortError::NotOpen:
        return QStringLiteral("Comm Port not open");
    default:
        return QStringLiteral("Unknown Comm port problem - Error %1").arg(number);
    }
}

} // namespace

PortProblem describePortError(QSerialPort::SerialPortError error, const QString& device)
{
    int number = PortError::OtherBase + static_cast<int>(error);
    bool noPermission = false;
    bool inUse = false;
    const bool exists = QFileInfo::exists(device);
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        number = PortError::NoSuchPort;
        break;
    case QSerialPort::OpenError:
        number = PortError::AlreadyOpen;
        break;
    case QSerialPort::NotOpenError:
        number = PortError::NotOpen;
        break;
    case QSerialPort::PermissionError:
        inUse = exists && mayAccess(device);
        if (inUse)
            number = PortError::AlreadyOpen;
        else
            noPermission = exists;
        break;
    default:
        break;
    }
    if (device.isEmpty())
        number = PortError::NoSuchPort;

    PortProblem problem{number, messageFor(number), {}, noPermission};
    if (noPermission) {
        problem.words = QStringLiteral("permission denied (join the dialout group)");
        problem.message += QStringLiteral("\n\nYou may not use %1. Add your user to the group \"dialout\" "
                                          "(sudo usermod -aG dialout $USER), then log out and in again.")
                               .arg(device);
    } else if (inUse) {
        problem.words = QStringLiteral("in use by another program");
        problem.message += QStringLiteral("\n\n%1 is in use by another program.").arg(device);
    } else if (number == PortError::NoSuchPort) {
        problem.words = QStringLiteral("no such device");
    } else if (exists && (error == QSerialPort::UnsupportedOperationError || !isCharacterDevice(device))) {
        // A regular file, or a device that takes no serial settings (/dev/null).
        problem.words = QStringLiteral("not a serial device");
        problem.message += QStringLiteral("\n\n%1 is not a serial device.").arg(device);
    }
    return problem;
}

QString PortProblem::line() const
{
    const QString text = message.section(u'\n', 0, 0);
    return words.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, words);
}
