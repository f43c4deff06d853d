#include "serial/porterror.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
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
        if (QFileInfo::exists(device) && mayAccess(device))
            number = PortError::AlreadyOpen;
        else
            noPermission = QFileInfo::exists(device);
        break;
    default:
        break;
    }
    if (device.isEmpty())
        number = PortError::NoSuchPort;

    PortProblem problem{number, messageFor(number), noPermission};
    if (noPermission) {
        problem.message += QStringLiteral("\n\nYou may not use %1. Add your user to the group \"dialout\" "
                                          "(sudo usermod -aG dialout $USER), then log out and in again.")
                               .arg(device);
    }
    return problem;
}
