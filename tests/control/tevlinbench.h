#pragma once

#include "control/linksession.h"
#include "control/tevlinwindow.h"
#include "protocol/linkstate.h"
#include "serial/comform.h"
#include "serial/portmenu.h"
#include "serial/wait.h"
#include "sim/ampsim.h"
#include "sim/pty.h"
#include "sim/simdriver.h"
#include "watchdog.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace std::chrono_literals;

namespace bench {

constexpr int StatusCode = 0xC8;

// The pin that points COM1 at the pseudo-terminal, address 1, and a poll interval so long that the
// timer never fires by itself: the tests poll by calling tick().
inline QByteArray pinnedIni(const QString& device)
{
    return "[ComSettings]\nCOM1=" + device.toLatin1() + "\nDevAdr=1\n[Tevlin]\nUpdateSpeed=600000\n";
}

inline int codeOf(const QByteArray& packet)
{
    return packet.size() > 3 ? static_cast<unsigned char>(packet[3]) : -1;
}

// Tevlin's main window in a temporary directory, with an ampsim on a pseudo-terminal pinned to COM1.
struct Bench
{
    QTemporaryDir dir;
    QString iniPath = dir.filePath(QStringLiteral("setup.ini"));
    Pty pty;
    AmpSim sim;
    SimDriver driver;
    control::LinkSession session{iniPath};
    ComForm& link = session.link();
    const LinkState& state = session.state();
    control::TevlinWindow window{session};
    QList<QByteArray> requests;
    QStringList portMessages;
    QList<int> setupsOpened;
    Watchdog watchdog;

    explicit Bench(AmpModel model = AmpModel::Vx900, SimFaults faults = {},
                   std::optional<int> version = std::nullopt)
        : sim(model, 1, version), driver(sim, pty, faults)
    {
        link.setMessageBoxHook([this](const QString& text) { portMessages << text; });
        QObject::connect(&session, &control::LinkSession::setupRequested, &session,
                         [this](int model) { setupsOpened << model; });
        QObject::connect(&driver, &SimDriver::requestReceived, &driver,
                         [this](const QByteArray& packet) { requests << packet; });
    }

    void writeIni(const QByteArray& contents)
    {
        QFile file(iniPath);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }
    QString ini() const
    {
        QFile file(iniPath);
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    // The file's lines without their line ends.
    QStringList iniLines() const { return ini().split(QRegularExpression(QStringLiteral("\\r?\\n"))); }
    // The window loaded from the pinned setup.ini, with the ports probed as once its event loop runs.
    void load()
    {
        writeIni(pinnedIni(pty.devicePath()));
        session.load();
        session.portMenu().finishProbe();
    }

    template <typename T = QPushButton> T* find(const QString& name)
    {
        // The port menu's entries belong to the session.
        T* child = window.findChild<T*>(name);
        if (!child)
            child = session.findChild<T*>(name);
        if (!child)
            qFatal("no control %s", qPrintable(name));
        return child;
    }
    QString caption(const QString& name) { return find(name)->text(); }
    QString label(const QString& name) { return find<QLabel>(name)->text(); }
    void click(const QString& name) { find(name)->click(); }
    void clickAll(const QStringList& names)
    {
        for (const QString& name : names)
            click(name);
    }

    // The link as the user and the next poll see it; Idle is the state every way back must reach.
    static constexpr const char* Idle =
        "Connect, Not connected, port closed, link down, settings on, adopt next";
    QString linkState()
    {
        QStringList parts{caption(QStringLiteral("BtnConnectCancel")), label(QStringLiteral("LblConnect"))};
        parts << (link.CheckMScomm() ? "port open" : "port closed")
              << (state.LinkConnected ? "link up" : "link down")
              << (find<QMenu>(QStringLiteral("Setting"))->isEnabled() ? "settings on" : "settings off");
        if (state.AdoptAmpState)
            parts << QStringLiteral("adopt next");
        return parts.join(QStringLiteral(", "));
    }

    bool connectLink()
    {
        click(QStringLiteral("BtnConnectCancel"));
        return state.LinkConnected && caption(QStringLiteral("BtnConnectCancel")) == QLatin1String("Discon");
    }
    // Loaded, connected and the first reply taken over.
    bool connectAndAdopt()
    {
        load();
        if (!connectLink())
            return false;
        session.tick();
        return !state.AdoptAmpState;
    }

    // What one poll put on the wire besides its status request. A second poll fences the list: the
    // amplifier takes requests in order, so its status request comes after all of the first poll's.
    QList<QByteArray> pollSends()
    {
        const qsizetype from = requests.size();
        session.tick();
        session.tick();
        QList<QByteArray> sent;
        for (const QByteArray& packet : requests.mid(from))
            if (codeOf(packet) != StatusCode)
                sent << packet;
        return sent;
    }

    // Runs `action` once the amplifier has received a request with `code`, inside whatever wait is
    // on the stack then, as a user's click would.
    void onRequest(int code, std::function<void()> action)
    {
        auto done = std::make_shared<bool>(false);
        QObject::connect(&driver, &SimDriver::requestReceived, &driver,
                         [code, action, done](const QByteArray& packet) {
                             if (*done || codeOf(packet) != code)
                                 return;
                             *done = true;
                             QTimer::singleShot(0, action);
                         });
    }
};

} // namespace bench
