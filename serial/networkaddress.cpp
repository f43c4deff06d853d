#include "serial/networkaddress.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>

namespace {

const QString Rfc2217Scheme = QStringLiteral("rfc2217://");
const QString TcpScheme = QStringLiteral("tcp://");

QString tr(const char* text)
{
    return QCoreApplication::translate("NetworkAddress", text);
}

// A host name: letters, digits, hyphens and dots, as DNS and /etc/hosts allow.
bool isHostName(const QString& host)
{
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?"
                                                        "(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

} // namespace

QString NetworkAddress::text() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return (kind == Kind::Rfc2217 ? Rfc2217Scheme : TcpScheme) + shownHost + u':' + QString::number(port);
}

bool isNetworkAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(Rfc2217Scheme, Qt::CaseInsensitive) ||
           trimmed.startsWith(TcpScheme, Qt::CaseInsensitive);
}

std::variant<NetworkAddress, QString> parseNetworkAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    NetworkAddress address;
    QString rest;
    if (trimmed.startsWith(Rfc2217Scheme, Qt::CaseInsensitive)) {
        address.kind = NetworkAddress::Kind::Rfc2217;
        rest = trimmed.mid(Rfc2217Scheme.size());
    } else if (trimmed.startsWith(TcpScheme, Qt::CaseInsensitive)) {
        rest = trimmed.mid(TcpScheme.size());
    } else {
        return tr("%1: a network port is rfc2217://HOST:PORT or tcp://HOST:PORT").arg(text);
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon < 0)
        return tr("%1: the port number is missing (HOST:PORT)").arg(text);
    QString host = rest.left(colon);
    bool ok = false;
    const uint port = rest.mid(colon + 1).toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || rest.mid(colon + 1).startsWith(u'+'))
        return tr("%1: the port number must be 1 to 65535").arg(text);
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        host = host.mid(1, host.size() - 2);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return tr("%1: [%2] is no IPv6 address").arg(text, host);
    } else if (!isHostName(host)) {
        return host.isEmpty() ? tr("%1: the host is missing (HOST:PORT)").arg(text)
                              : tr("%1: \"%2\" is no host name or address").arg(text, host);
    }
    address.host = host;
    address.port = static_cast<quint16>(port);
    return address;
}
