#pragma once

#include <QString>
#include <QStringList>
#include <array>

// Which device each of the menus' COM1 to COM16 opens. On Windows COMn is the system's COMn.
// Elsewhere the serial devices present take the numbers in a stable order (USB adapters first),
// and setup.ini can pin any number to a path or a network port: section "ComSettings", key
// "COM3=/dev/ttyUSB1" or "COM3=rfc2217://rack-a:4001".
class PortMap
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;

    // The devices present, pinned numbers from `setupIniPath` (may be empty) taking precedence.
    static PortMap fromSystem(const QString& setupIniPath);
    // Orders device paths as the map hands them out: USB and ACM adapters first, then by name.
    static QStringList orderedDevices(QStringList devices);

    PortMap() = default;
    PortMap(const QStringList& detected, const std::array<QString, LastPort + 1>& pins);

    // Gives port `port` the device `device` (a path or a network address).
    void pin(int port, const QString& device);
    // The device path of port `port`, empty when the number has none.
    QString device(int port) const;
    // "COM3" followed by its device where that says more than the name, for the port menus.
    QString menuCaption(int port) const;

private:
    std::array<QString, LastPort + 1> m_devices{};
};
