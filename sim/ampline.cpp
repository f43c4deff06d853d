#include "sim/ampline.h"

#include <QSet>

std::variant<QList<AmpOnLine>, QString> ampsOnLine(const QStringList& values, int defaultAddress)
{
    QList<AmpOnLine> units;
    QSet<int> addresses;
    for (const QString& value : values) {
        const qsizetype at = value.indexOf(u'@');
        const auto model = ampModelFromName(at < 0 ? value : value.left(at));
        if (!model)
            return QStringLiteral("--model must be one of %1, optionally @address")
                .arg(ampModelNames().join(QStringLiteral(", ")));
        int address = defaultAddress;
        if (at >= 0) {
            bool ok = false;
            address = value.mid(at + 1).toInt(&ok);
            if (!ok || address < 0 || address > 0xFFFF)
                return QStringLiteral("%1: the address after @ must be a number 0..65535").arg(value);
        }
        if (addresses.contains(address))
            return QStringLiteral("two units at address %1").arg(address);
        addresses.insert(address);
        units.append({*model, address});
    }
    if (units.isEmpty())
        return QStringLiteral("--model must be one of %1").arg(ampModelNames().join(QStringLiteral(", ")));
    return units;
}
