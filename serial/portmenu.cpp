#include "serial/portmenu.h"

#include "common/numbers.h"
#include "serial/comform.h"
#include "serial/networkaddress.h"
#include "settings/inifilehandler.h"

#include <QAction>
#include <QEvent>
#include <QTimer>
#include <algorithm>

namespace {
const QString ComSettings = QStringLiteral("ComSettings");
}

PortMenu::PortMenu(ComForm& link, int& comPort, QString setupIniPath, StoredRange stored, QObject* parent)
    : QObject(parent), m_link(link), m_comPort(comPort), m_setupIniPath(std::move(setupIniPath)),
      m_stored(stored)
{
    for (int port = PortMap::FirstPort; port <= PortMap::LastPort; ++port) {
        auto* action = new QAction(QStringLiteral("&COM%1").arg(port), this);
        action->setObjectName(QStringLiteral("COM%1").arg(port));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, port] { select(port); });
        m_actions.append(action);
    }
    m_noPort = new QAction(this);
    m_noPort->setObjectName(QStringLiteral("NoUsablePort"));
    m_noPort->setEnabled(false);
    m_noPort->setVisible(false);
    m_networkPort = new QAction(tr("&Network port…"), this);
    m_networkPort->setObjectName(QStringLiteral("NetworkPort"));
    m_networkPort->setVisible(false);
    connect(m_networkPort, &QAction::triggered, this, &PortMenu::askNetworkPort);
    m_actions.append(m_networkPort);
    m_actions.append(m_noPort);
}

void PortMenu::selectStored()
{
    const double stored = common::numericValue(
        ReadIniValue(ComSettings, QStringLiteral("ComPort"), QStringLiteral("1"), m_setupIniPath));
    select(common::roundHalfEven(std::clamp(stored, m_stored.lowest, m_stored.highest)));
}

void PortMenu::select(long long port)
{
    m_comPort = port < PortMap::FirstPort || port > PortMap::LastPort ? 1 : static_cast<int>(port);
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n)
        m_actions[n - 1]->setChecked(n == m_comPort);
    if (const IniWriteResult written =
            WriteIniValue(ComSettings, QStringLiteral("ComPort"), QString::number(port), m_setupIniPath);
        !written)
        emit notStored(written.failure);
}

void PortMenu::probeSoon(int comSpeed)
{
    m_probeSpeed = comSpeed;
    QTimer::singleShot(0, this, [this] {
        if (!m_firstPaintOf)
            finishProbe();
    });
}

void PortMenu::probeAfterFirstPaint(QObject* window)
{
    m_firstPaintOf = window;
    window->installEventFilter(this);
}

bool PortMenu::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_firstPaintOf && event->type() == QEvent::Paint) {
        m_firstPaintOf->removeEventFilter(this);
        m_firstPaintOf = nullptr;
        // The frame is put on the screen when every widget has painted, before the next event.
        QTimer::singleShot(0, this, &PortMenu::finishProbe);
    }
    return QObject::eventFilter(watched, event);
}

void PortMenu::finishProbe()
{
    if (const auto speed = std::exchange(m_probeSpeed, std::nullopt))
        probe(*speed);
}

void PortMenu::probe(int comSpeed)
{
    m_probeSpeed.reset();
    m_link.setPortMap(PortMap::fromSystem(m_setupIniPath));
    QList<PortProblem> problems;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        m_actions[n - 1]->setText(QLatin1Char('&') + m_link.portMap().menuCaption(n));
        const bool available = m_link.portAvailable(n, comSpeed);
        m_actions[n - 1]->setVisible(available);
        if (!available)
            problems.append(m_link.lastProblem());
    }
    showWhyNoPort(problems);
}

QString PortMenu::noUsablePort() const
{
    return m_noPort->isVisible() ? m_noPort->text() : QString();
}

void PortMenu::showWhyNoPort(const QList<PortProblem>& problems)
{
    // Only when every port failed: an empty menu would leave the user guessing.
    const bool none = problems.size() == PortMap::LastPort;
    const auto any = [&](auto test) { return std::any_of(problems.begin(), problems.end(), test); };
    if (!none)
        m_noPort->setText(QString());
    else if (any([](const PortProblem& p) { return p.accessDenied; }))
        m_noPort->setText(tr("No serial port may be used: join the group dialout"));
    else if (any([](const PortProblem& p) { return p.number != PortError::NoSuchPort; }))
        m_noPort->setText(tr("No serial port can be opened: each is in use or failing"));
    else
        m_noPort->setText(tr("No serial port found"));
    m_noPort->setVisible(none);
}

void PortMenu::setNetworkPortAsker(NetworkPortAsker asker)
{
    m_askNetworkPort = std::move(asker);
    m_networkPort->setVisible(bool(m_askNetworkPort));
}

void PortMenu::askNetworkPort()
{
    finishProbe();
    QStringList offered = recentNetworkPorts();
    QString problem;
    while (const std::optional<QString> address = m_askNetworkPort(offered, problem)) {
        const std::optional<QString> refused = chooseNetworkPort(*address);
        if (!refused)
            return;
        // Asked again with the reason, the address as typed comes first to be mended.
        problem = *refused;
        offered = recentNetworkPorts();
        offered.removeAll(*address);
        offered.prepend(*address);
    }
}

QStringList PortMenu::recentNetworkPorts() const
{
    QStringList recent;
    for (int i = 1; i <= RecentNetworkPorts; ++i) {
        const auto stored =
            StoredIniValue(ComSettings, QStringLiteral("NetworkPort%1").arg(i), m_setupIniPath);
        if (stored && isNetworkAddress(*stored) && !recent.contains(stored->trimmed()))
            recent.append(stored->trimmed());
    }
    return recent;
}

std::optional<QString> PortMenu::chooseNetworkPort(const QString& address)
{
    const auto parsed = parseNetworkAddress(address);
    if (const QString* reason = std::get_if<QString>(&parsed))
        return *reason;
    const QString text = std::get<NetworkAddress>(parsed).text();
    const PortMap& map = m_link.portMap();
    int number = 0;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort && !number; ++n)
        number = map.device(n) == text ? n : 0;
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort && !number; ++n)
        number = map.device(n).isEmpty() ? n : 0;
    if (!number)
        return tr("COM1 to COM16 all have a device; remove a pin from setup.ini (section ComSettings) to "
                  "make room for %1.")
            .arg(text);

    QStringList recent = recentNetworkPorts();
    recent.removeAll(text);
    recent.prepend(text);
    QList<std::pair<QString, QString>> keys{{QStringLiteral("COM%1").arg(number), text}};
    for (int i = 0; i < std::min<qsizetype>(RecentNetworkPorts, recent.size()); ++i)
        keys.append({QStringLiteral("NetworkPort%1").arg(i + 1), recent.value(i)});
    // Both in one write: the pin and the list never disagree about the latest address.
    if (const IniWriteResult written = WriteIniValues(ComSettings, keys, m_setupIniPath); !written)
        emit notStored(written.failure);

    PortMap pinned = map;
    pinned.pin(number, text);
    m_link.setPortMap(pinned);
    m_actions[number - 1]->setText(QLatin1Char('&') + pinned.menuCaption(number));
    m_actions[number - 1]->setVisible(true);
    m_noPort->setVisible(false);
    select(number);
    return std::nullopt;
}
