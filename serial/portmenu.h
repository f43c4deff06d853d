#pragma once

#include "serial/porterror.h"

#include <QList>
#include <QObject>
#include <optional>

class ComForm;
class QAction;

// The entries COM1 to COM16 of a program's port menu: each shows its device, only the ports that
// open are visible, and the chosen port is ticked. When none opens, a last, disabled entry says why
// instead (none found, or no permission). The window puts the actions into its own menu.
class PortMenu : public QObject
{
    Q_OBJECT
public:
    // How far the number stored in setup.ini is taken as it is before it is selected: Tevlin takes
    // it as a byte (so 300 selects COM1 and writes 256 back), Corlift writes back any number.
    struct StoredRange
    {
        double lowest;
        double highest;
    };

    // `comPort` is the program's chosen port number, kept in its state record.
    PortMenu(ComForm& link, int& comPort, QString setupIniPath, StoredRange stored,
             QObject* parent = nullptr);

    // COM1 to COM16, then the entry that says why no port is usable.
    const QList<QAction*>& actions() const { return m_actions; }

    // Selects the number stored under "ComPort" (section ComSettings, default 1), rounded half to even.
    void selectStored();
    // A port outside 1..16 selects COM1; the number itself is written back as it came.
    void select(long long port);
    // Maps the ports to devices (pins in setup.ini first) and shows the entries of the ports that
    // open at speed index `comSpeed`, tried silently one after the other.
    void probe(int comSpeed);
    // The same once the event loop runs: reading the system's port list and trying each port takes
    // tens of milliseconds, which the window should not wait for. Whatever opens a port before then
    // calls finishProbe() first, since the port map comes from the probe.
    void probeSoon(int comSpeed);
    // A probe still to come runs now.
    void finishProbe();
    // Why no port can be used, as the menu's last entry says it; empty while one can.
    QString noUsablePort() const;

signals:
    // The chosen port could not be stored for the next start: why, in words.
    void notStored(const QString& failure);

private:
    void showWhyNoPort(const QList<PortProblem>& problems);

    ComForm& m_link;
    int& m_comPort;
    QString m_setupIniPath;
    StoredRange m_stored;
    std::optional<int> m_probeSpeed; // a probe still to come, at this speed index
    QList<QAction*> m_actions;       // COM1 first
    QAction* m_noPort;
};
