#include "serial/portmenu.h"

#include "common/numbers.h"
#include "serial/comform.h"
#include "settings/inifilehandler.h"

#include <QAction>
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
    QTimer::singleShot(0, this, &PortMenu::finishProbe);
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
