#include "serial/portmap.h"

#include "settings/inifilehandler.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace {

bool isUsbDevice(const QString& path)
{
    return path.contains(QLatin1String("USB"), Qt::CaseInsensitive) ||
           path.contains(QLatin1String("ACM"), Qt::CaseInsensitive);
}

bool isWindows()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

// "ttyS2" before "ttyS10": the trailing numbers compare as numbers.
bool naturalLess(const QString& a, const QString& b)
{
    const auto split = [](const QString& s) {
        qsizetype i = s.size();
        while (i > 0 && s[i - 1].isDigit())
            --i;
        return std::pair{s.left(i), s.mid(i).toULongLong()};
    };
    return split(a) < split(b);
}

} // namespace

QStringList PortMap::orderedDevices(QStringList devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const QString& a, const QString& b) {
        if (isUsbDevice(a) != isUsbDevice(b))
            return isUsbDevice(a);
        return naturalLess(a, b);
    });
    return devices;
}

PortMap::PortMap(const QStringList& detected, const std::array<QString, LastPort + 1>& pins)
{
    QStringList free;
    for (const QString& device : detected) {
        if (std::find(pins.begin(), pins.end(), device) == pins.end())
            free.append(device);
    }
    for (int port = FirstPort; port <= LastPort; ++port) {
        if (!pins[port].isEmpty())
            m_devices[port] = pins[port];
        else if (!free.isEmpty())
            m_devices[port] = free.takeFirst();
    }
}

PortMap PortMap::fromSystem(const QString& setupIniPath)
{
    std::array<QString, LastPort + 1> pins{};
    if (isWindows()) {
        for (int port = FirstPort; port <= LastPort; ++port)
            pins[port] = QStringLiteral("COM%1").arg(port);
        return PortMap({}, pins);
    }
    if (!setupIniPath.isEmpty()) {
        for (int port = FirstPort; port <= LastPort; ++port) {
            pins[port] = ReadIniValue(QStringLiteral("ComSettings"), QStringLiteral("COM%1").arg(port),
                                      QString(), setupIniPath)
                             .trimmed();
        }
    }
    QStringList detected;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        detected.append(info.systemLocation());
    return PortMap(orderedDevices(detected), pins);
}

void PortMap::pin(int port, const QString& device)
{
    if (port >= FirstPort && port <= LastPort)
        m_devices[port] = device;
}

QString PortMap::device(int port) const
{
    if (port < FirstPort || port > LastPort)
        return {};
    return m_devices[port];
}

QString PortMap::menuCaption(int port) const
{
    const QString name = QStringLiteral("COM%1").arg(port);
    const QString path = device(port);
    if (path.isEmpty() || path == name)
        return name;
    return name + QStringLiteral("  (") + path + u')';
}
