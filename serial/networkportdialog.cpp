#include "serial/networkportdialog.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QPointer>

PortMenu::NetworkPortAsker networkPortAsker(QWidget* parent)
{
    return [parent = QPointer<QWidget>(parent)](const QStringList& recent,
                                                const QString& problem) -> std::optional<QString> {
        QString label = QCoreApplication::translate(
            "NetworkPort", "Serial port on the network (rfc2217://HOST:PORT or tcp://HOST:PORT):");
        if (!problem.isEmpty())
            label = problem + QStringLiteral("\n\n") + label;
        bool ok = false;
        const QString address = QInputDialog::getItem(
            parent, QCoreApplication::translate("NetworkPort", "Network port"), label,
            recent.isEmpty() ? QStringList{QStringLiteral("rfc2217://")} : recent, 0, true, &ok);
        if (!ok)
            return std::nullopt;
        return address;
    };
}
