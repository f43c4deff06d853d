#include "serial/portchoice.h"

#include "serial/networkaddress.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

PortMap PortChoice::portMap() const
{
    std::array<QString, PortMap::LastPort + 1> pins{};
    pins[number] = device;
    return PortMap({}, pins);
}

namespace {

QRegularExpressionMatch comNumber(const QString& text)
{
    static const QRegularExpression comName(QStringLiteral("^COM(\\d{1,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    return comName.match(text.trimmed());
}

bool isPath(const QString& text)
{
    return text.contains(u'/') || text.contains(u'\\');
}

} // namespace

std::variant<PortChoice, QString> choosePort(const QString& text, const PortMap& map)
{
    if (const auto match = comNumber(text); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (number < PortMap::FirstPort || number > PortMap::LastPort)
            return QCoreApplication::translate("PortChoice", "%1: the ports are COM1 to COM16").arg(text);
        const QString device = map.device(number);
        if (device.isEmpty())
            return QCoreApplication::translate(
                       "PortChoice",
                       "COM%1 has no serial device: none is connected for it, and setup.ini pins none")
                .arg(number);
        return PortChoice{text, number, device};
    }
    if (isNetworkAddress(text)) {
        const auto address = parseNetworkAddress(text);
        if (const QString* reason = std::get_if<QString>(&address))
            return *reason;
    }
    if (!isPath(text))
        return QCoreApplication::translate("PortChoice",
                                           "%1: give COM1 to COM16 or a device path such as /dev/ttyUSB0")
            .arg(text);
    for (int number = PortMap::FirstPort; number <= PortMap::LastPort; ++number) {
        if (map.device(number) == text)
            return PortChoice{text, number, text};
    }
    return PortChoice{text, PortMap::FirstPort, text};
}

bool namesPort(const QString& text)
{
    if (const auto match = comNumber(text); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        return number >= PortMap::FirstPort && number <= PortMap::LastPort;
    }
    // A mistyped network address is the user's mistake, not a port's problem.
    if (isNetworkAddress(text))
        return std::holds_alternative<NetworkAddress>(parseNetworkAddress(text));
    return isPath(text);
}

QString deviceIdentity(const PortChoice& choice)
{
    const QString canonical = QFileInfo(choice.device).canonicalFilePath();
    return canonical.isEmpty() ? choice.device : canonical;
}
