#include "serial/networkaddress.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>

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

bool isIpv4Address(QStringView text)
{
    const QList<QStringView> parts = text.split(u'.');
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](QStringView part) {
               bool ok = false;
               return part.size() >= 1 && part.size() <= 3 && part.front() >= u'0' && part.front() <= u'9' &&
                      part.toUInt(&ok) <= 255 && ok;
           });
}

// Adds the groups of `part` (colon-separated, perhaps empty) to `groups`; false if one is no group of
// one to four hex digits or, where `ipv4Last` allows it, a closing IPv4 address (two groups' worth).
bool countGroups(QStringView part, bool ipv4Last, int& groups)
{
    if (part.isEmpty())
        return true;
    const QList<QStringView> fields = part.split(u':');
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QStringView field = fields[i];
        if (ipv4Last && i == fields.size() - 1 && field.contains(u'.')) {
            if (!isIpv4Address(field))
                return false;
            groups += 2;
            continue;
        }
        const bool hex = std::all_of(field.begin(), field.end(), [](QChar c) {
            const char16_t u = c.toLower().unicode();
            return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f');
        });
        if (field.isEmpty() || field.size() > 4 || !hex)
            return false;
        ++groups;
    }
    return true;
}

// An IPv6 address as RFC 4291 writes it: eight groups, or fewer around one "::", the last two
// perhaps as an IPv4 address, and a zone ("%eth0") after it.
bool isIpv6Address(QStringView text)
{
    const qsizetype zone = text.indexOf(u'%');
    if (zone == 0 || zone == text.size() - 1)
        return false;
    const QStringView address = zone < 0 ? text : text.left(zone);
    const qsizetype gap = address.indexOf(u"::");
    int groups = 0;
    if (gap < 0)
        return countGroups(address, true, groups) && groups == 8;
    const QStringView after = address.mid(gap + 2);
    return !after.startsWith(u':') && !after.contains(u"::") &&
           countGroups(address.left(gap), false, groups) && countGroups(after, true, groups) && groups <= 7;
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
        if (!isIpv6Address(host))
            return tr("%1: [%2] is no IPv6 address").arg(text, host);
    } else if (!isHostName(host)) {
        return host.isEmpty() ? tr("%1: the host is missing (HOST:PORT)").arg(text)
                              : tr("%1: \"%2\" is no host name or address").arg(text, host);
    }
    address.host = host;
    address.port = static_cast<quint16>(port);
    return address;
}
