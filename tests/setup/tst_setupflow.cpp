#include "control/linksession.h"
#include "protocol/commandtable.h"
#include "serial/comform.h"
#include "setup/rx900model.h"
#include "setup/setupflow.h"
#include "sim/ampsim.h"
#include "sim/pty.h"
#include "sim/simdriver.h"
#include "watchdog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace setup;
using Phase = SetupFlow::Phase;

namespace {

// An RX900 on a pseudo-terminal, the session connected to it on COM1; no widgets.
struct FlowBench
{
    QTemporaryDir dir;
    Pty pty;
    AmpSim sim;
    SimDriver driver;
    control::LinkSession session{dir.filePath(QStringLiteral("setup.ini"))};
    QList<int> codes;
    Watchdog watchdog;

    FlowBench(int address, SimFaults faults) : sim(AmpModel::Rx900, address), driver(sim, pty, faults)
    {
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[1] = pty.devicePath();
        session.link().setPortMap(PortMap({}, pins));
        session.useLinkSettings(1, 0, QString::number(address));
        QObject::connect(&driver, &SimDriver::requestReceived, &driver, [this](const QByteArray& packet) {
            codes << (packet.size() > 3 ? static_cast<unsigned char>(packet[3]) : -1);
        });
    }
    QString ini() const
    {
        QFile file(dir.filePath(QStringLiteral("setup.ini")));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
};

QString linkValues(const std::optional<control::LinkLease::LinkValues>& values)
{
    return values ? QStringLiteral("%1 %2").arg(values->DevAdr).arg(values->ComSpe) : QStringLiteral("none");
}

} // namespace

class TestSetupFlow : public QObject
{
    Q_OBJECT
private slots:
    // From the read to the lease's end: what the dialog is told, what goes on the wire after the
    // reads, and the link change handed back, which the session applies at once.
    void fromReadToHandBack_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("address");     // the amplifier's, before
        QTest::addColumn<int>("damagedRead"); // the code whose reply comes damaged; 0: none
        QTest::addColumn<QString>("outcome"); // phase | status | link change | codes after the reads
        QTest::newRow("update") << "update" << 1 << 0 << "editing|Sent to the amplifier.|none|c6 d3";
        QTest::newRow("update, Link ID") << "update address" << 1 << 0 << "closed||7 0|c6 d3";
        QTest::newRow("update, Link Speed") << "update speed" << 1 << 0 << "closed||1 2|c6 d3";
        QTest::newRow("Link ID, then Close") << "close address" << 1 << 0 << "closed||none|";
        QTest::newRow("default") << "default" << 5 << 0 << "closed||1 0|49";
        QTest::newRow("update, link down")
            << "offline" << 1 << 0
            << "editing|Not connected: nothing was sent. Connect again in the main window.|none|";
        QTest::newRow("damaged read")
            << "none" << 1 << 0xD2 << "empty|" + SetupLink::damagedText() + "|none|";
    }
    void fromReadToHandBack()
    {
        QFETCH(QString, action);
        QFETCH(int, address);
        QFETCH(int, damagedRead);
        QFETCH(QString, outcome);
        SimFaults faults;
        faults.badChecksum = damagedRead != 0;
        faults.onlyCode = damagedRead;
        FlowBench b(address, faults);
        b.session.toggle();
        QCOMPARE(b.session.phase(), control::LinkSession::Phase::Connected);

        control::LinkLease lease = b.session.lease();
        SetupFlow flow(rx900::Spec, lease);
        std::optional<Controls> c = flow.read();
        const qsizetype reads = b.codes.size();
        if (c) {
            flow.loaded(*c);
            if (action.endsWith("address")) {
                (*c)[rx900::DevAdr].text = QStringLiteral("7");
                flow.boxEdited(rx900::DevAdr, QStringLiteral("7"));
            } else if (action.endsWith("speed")) {
                (*c)[rx900::ComSpe].index = 2;
                QVERIFY(!flow.listChosen(rx900::ComSpe, 2));
            }
            if (action == "offline")
                b.session.drop();
            if (action.startsWith("update") || action == "offline")
                flow.update(*c);
            else if (action.startsWith("close"))
                flow.close();
            else if (action == "default")
                flow.resetAmplifier();
        }
        const auto sent = [&b, reads] {
            QStringList codes;
            for (const int code : b.codes.mid(reads))
                codes << QString::number(code, 16);
            return codes.join(u' ');
        };
        QTRY_COMPARE_WITH_TIMEOUT(sent(), outcome.section(u'|', -1), 2000);
        const QStringList phases{"reading", "empty", "editing", "writing", "closed"};
        QCOMPARE(
            QStringList({phases[int(flow.phase())], flow.controls().status, linkValues(flow.linkChange())})
                .join(u'|'),
            outcome.section(u'|', 0, -2));

        const bool linkUp = b.session.state().LinkConnected;
        lease.end(flow.linkChange());
        QVERIFY(!b.session.isLeased());
        if (const auto change = flow.linkChange()) {
            QCOMPARE(b.session.phase(), control::LinkSession::Phase::Idle);
            QCOMPARE(b.session.state().DeviceAddress, QString::number(change->DevAdr));
            QCOMPARE(b.session.state().ComSpeed, change->ComSpe);
            QVERIFY(b.ini().contains(QStringLiteral("DevAdr=%1").arg(change->DevAdr)));
            QCOMPARE(b.sim.state().address, change->DevAdr);
        } else {
            QCOMPARE(b.session.state().LinkConnected, linkUp);
            QVERIFY(!b.ini().contains(QStringLiteral("DevAdr")));
        }
    }

    // Close while a read gets no reply: the wait ends, nothing more is sent, and the link stays up
    // with no cancel left over for the main window's next poll.
    void closeDuringAnUnansweredRead()
    {
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = 0xD4;
        FlowBench b(1, faults);
        b.session.toggle();
        control::LinkLease lease = b.session.lease();
        SetupFlow flow(rx900::Spec, lease);
        QObject::connect(&flow.link(), &SetupLink::progress, &flow, [&flow](const QString& text) {
            if (text == SetupLink::readingText(4, 4))
                QTimer::singleShot(0, &flow, [&flow] { flow.close(); });
        });
        QVERIFY(!flow.read());
        QCOMPARE(flow.phase(), Phase::Closed);
        QVERIFY(!flow.isLoaded() && !flow.linkChange());
        QCOMPARE(b.codes.last(), 0xD4);
        QVERIFY(b.session.state().LinkConnected && !b.session.state().LinkCancelRequested);
    }
};

QTEST_GUILESS_MAIN(TestSetupFlow)
#include "tst_setupflow.moc"
