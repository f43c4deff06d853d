#include "serial/portmap.h"

#include "settings/inifilehandler.h"

#include <QCollator>
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

} // namespace

QStringList PortMap::orderedDevices(QStringList devices)
{
    QCollator collator;
    collator.setNumericMode(true);
    std::stable_sort(devices.begin(), devices.end(), [&](const QString& a, const QString& b) {
        if (isUsbDevice(a) != isUsbDevice(b))
            return isUsbDevice(a);
        return collator.compare(a, b) < 0;
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
            pins[port] = ReadIniValue(QStringLiteral("ComSettings"), QStringLiteral("COM%1").arg(port), QString(),
                                      setupIniPath)
                             .trimmed();
        }
    }
    QStringList detected;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        detected.append(info.systemLocation());
    return PortMap(orderedDevices(detected), pins);
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
