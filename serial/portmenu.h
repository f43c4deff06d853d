#pragma once

#include "serial/porterror.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

class ComForm;
class QAction;

// The entries COM1 to COM16 of a program's port menu: each shows its device, only the ports that
// open are visible, and the chosen port is ticked. When none opens, a last, disabled entry says why
// instead (none found, or no permission). "Network port…" comes before that: it asks for a network port's
// address, pins it to a COM number in setup.ini and selects that. The window puts the actions into
// its own menu.
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

    // Asks the user for a network port's address, offering `recent` (the latest first); `problem`
    // says what was wrong with the answer before. Nothing: the user gave up.
    using NetworkPortAsker =
        std::function<std::optional<QString>(const QStringList& recent, const QString& problem)>;
    // How many network ports setup.ini remembers ("NetworkPort1" … in section ComSettings).
    static constexpr int RecentNetworkPorts = 4;

    // `comPort` is the program's chosen port number, kept in its state record.
    PortMenu(ComForm& link, int& comPort, QString setupIniPath, StoredRange stored,
             QObject* parent = nullptr);

    // COM1 to COM16, "Network port…", then the entry that says why no port is usable.
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
    // Holds that probe back until `window` has painted its first frame, so that the window appears
    // first: for a program's main window, called before the event loop runs.
    void probeAfterFirstPaint(QObject* window);
    // A probe still to come runs now.
    void finishProbe();
    // Why no port can be used, as the menu's last entry says it; empty while one can.
    QString noUsablePort() const;

    // Shows "Network port…", which asks through `asker`.
    void setNetworkPortAsker(NetworkPortAsker asker);
    // Pins `address` to the COM number it has, or else to the first without a device, remembers it
    // among the recent ones, and selects it; why not, in words, when it is no network port or no
    // number is free.
    std::optional<QString> chooseNetworkPort(const QString& address);
    QStringList recentNetworkPorts() const;

signals:
    // The chosen port could not be stored for the next start: why, in words.
    void notStored(const QString& failure);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showWhyNoPort(const QList<PortProblem>& problems);
    void askNetworkPort();

    ComForm& m_link;
    int& m_comPort;
    QString m_setupIniPath;
    StoredRange m_stored;
    std::optional<int> m_probeSpeed;   // a probe still to come, at this speed index
    QObject* m_firstPaintOf = nullptr; // the window whose first frame the probe waits for
    QList<QAction*> m_actions;         // COM1 first
    QAction* m_noPort;
    QAction* m_networkPort;
    NetworkPortAsker m_askNetworkPort;
};
