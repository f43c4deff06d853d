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
    WriteIniValue(ComSettings, QStringLiteral("ComPort"), QString::number(port), m_setupIniPath);
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
    for (int n = PortMap::FirstPort; n <= PortMap::LastPort; ++n) {
        m_actions[n - 1]->setText(QLatin1Char('&') + m_link.portMap().menuCaption(n));
        m_actions[n - 1]->setVisible(m_link.portAvailable(n, comSpeed));
    }
}
