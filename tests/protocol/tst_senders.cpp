#include "protocol/commandtable.h"
#include "protocol/linkstate.h"
#include "protocol/rsfunctions.h"
#include "serial/comform.h"
#include "sim/ampsim.h"
#include "sim/pty.h"
#include "sim/simdriver.h"
#include "watchdog.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(RSfunctions::Result)

namespace {

constexpr int Port = 1;

// A link on COM1, pinned to a pseudo-terminal whose other side the test plays; the test is the
// link's owner.
struct Bench : SenderLink
{
    Pty pty;
    LinkState linkState;
    ComForm port{linkState.ReplyBuffer};
    RSfunctions rs{*this};
    int clears = 0;
    QByteArray wire;
    Watchdog watchdog;

    Bench()
    {
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[Port] = pty.devicePath();
        port.setPortMap(PortMap({}, pins));
        port.setMessageBoxHook([](const QString& text) { QFAIL(qPrintable(text)); });
        QObject::connect(&pty, &Pty::received, &pty, [this](const QByteArray& bytes) { wire += bytes; });
        linkState.DeviceAddress = QStringLiteral("1");
    }
    bool open() { return port.SetupMScomm(Port, 0); }
    const LinkState& state() const override { return linkState; }
    ComForm& link() override { return port; }
    void clearReply() override
    {
        ++clears;
        linkState.ReplyBuffer.clear();
    }
};

} // namespace

class TestSenders : public QObject
{
    Q_OBJECT
private slots:
    void wireBytes_data()
    {
        QTest::addColumn<char>("sender"); // Short, Command or Long
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("indexOrCode");
        QTest::addColumn<QList<int>>("data");
        QTest::addColumn<QByteArray>("wire");
        const int status = Command::StatusRequest;
        QTest::newRow("short: status to 1")
            << 'S' << "1" << status << QList<int>{} << QByteArray::fromHex("050100C8CE");
        QTest::newRow("short: address ?")
            << 'S' << "?" << status << QList<int>{} << QByteArray::fromHex("050000C8CD");
        QTest::newRow("short: 258 keeps the high byte 0")
            << 'S' << "258" << status << QList<int>{} << QByteArray::fromHex("050200C8CF");
        QTest::newRow("command: 258")
            << 'C' << "258" << Command::SetMute << QList<int>{1, 7, 7} << QByteArray::fromHex("06020174017E");
        QTest::newRow("command: 6-byte entry sends data1 only")
            << 'C' << "1" << Command::SetPowerState << QList<int>{1, 0x40, 0x40}
            << QByteArray::fromHex("06010075017D");
        QTest::newRow("long: 258") << 'L' << "258" << 0xC6 << QList<int>(20, 'A')
                                   << QByteArray::fromHex("190201C6" + QByteArray(20, 'A').toHex() + "F6");
        QTest::newRow("long: length cuts the data")
            << 'L' << "1" << 0x88 << QList<int>{3, 0, 9, 9, 9} << QByteArray::fromHex("07010088030093");
    }
    void wireBytes()
    {
        QFETCH(char, sender);
        QFETCH(QString, address);
        QFETCH(int, indexOrCode);
        QFETCH(QList<int>, data);
        QFETCH(QByteArray, wire);
        Bench bench;
        QVERIFY(bench.open());
        bench.linkState.DeviceAddress = address;
        bench.linkState.ReplyBuffer = "old";
        if (sender == 'S') {
            QCOMPARE(bench.rs.SendShortCommand(indexOrCode), RSfunctions::Result::Sent);
            QCOMPARE(bench.linkState.ReplyBuffer, QByteArray("old")); // the caller clears it, not the sender
        } else if (sender == 'C') {
            QCOMPARE(bench.rs.SendCommand(indexOrCode, data[0], data[1], data[2]), RSfunctions::Result::Sent);
        } else {
            QVERIFY(bench.rs.SendLongCommand(indexOrCode, wire.size(), data, false));
        }
        QTRY_COMPARE(bench.wire, wire);
    }

    void outOfRangeSendsNothing_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("data1");
        QTest::newRow("index 0") << "1" << 0 << 0;
        QTest::newRow("index 107") << "1" << 107 << 0;
        QTest::newRow("data 256") << "1" << Command::SetVolume << 256;
        QTest::newRow("address 65536") << "65536" << Command::SetVolume << 1;
    }
    void outOfRangeSendsNothing()
    {
        QFETCH(QString, address);
        QFETCH(int, index);
        QFETCH(int, data1);
        Bench bench;
        QVERIFY(bench.open());
        bench.linkState.DeviceAddress = address;
        bench.linkState.ReplyBuffer = "kept";
        // Rejected at once: a wait would hang here, as nothing answers.
        QCOMPARE(bench.rs.SendCommand(index, data1), RSfunctions::Result::Rejected);
        if (data1 > 255 || address != "1")
            QCOMPARE(bench.rs.sendLong(0x70, 7, {data1, 0}, true), RSfunctions::Result::Rejected);
        if (index < 1 || index > 106 || address != "1")
            QCOMPARE(bench.rs.SendShortCommand(index), RSfunctions::Result::Rejected);
        // More data than a long command's length holds.
        QCOMPARE(bench.rs.sendLong(0xC6, 25, QList<int>(22, 0), false), RSfunctions::Result::Rejected);
        QVERIFY(!bench.rs.SendLongCommand(0xC6, 41, {}, false));
        QCOMPARE(bench.linkState.ReplyBuffer, QByteArray("kept"));

        // What reaches the line first is the next valid request: nothing went before it.
        bench.linkState.DeviceAddress = "1";
        bench.rs.SendShortCommand(Command::StatusRequest);
        QTRY_COMPARE(bench.wire, QByteArray::fromHex("050100C8CE"));
    }

    // The acknowledgement stays in ReplyBuffer for the caller.
    void commandWaitsForTheAcknowledgement()
    {
        Bench bench;
        AmpSim sim(AmpModel::Vx900);
        SimDriver driver(sim, bench.pty);
        QVERIFY(bench.open());
        bench.linkState.ReplyBuffer = "old";
        QCOMPARE(bench.rs.SendCommand(Command::SetVolume, 0xC7, 0x01), RSfunctions::Result::Acknowledged);
        QCOMPARE(bench.linkState.ReplyBuffer, QByteArray::fromHex("02AA"));
        QCOMPARE(sim.state().volume, 455);
    }

    void longCommandAcknowledged()
    {
        Bench bench;
        AmpSim sim(AmpModel::Rx900);
        SimDriver driver(sim, bench.pty);
        QVERIFY(bench.open());
        QList<int> name;
        for (const char c : QByteArray("Living room RX900   "))
            name << c;
        QVERIFY(bench.rs.SendLongCommand(0xC6, 25, name, true));
        QVERIFY(bench.linkState.ReplyBuffer.isEmpty());
        QCOMPARE(sim.state().name, QByteArray("Living room RX900   "));
    }

    // A wait given up is reported, and what follows is the owner's to decide: the sender closes
    // nothing and changes no flag.
    void givenUpWaitIsReported_data()
    {
        QTest::addColumn<bool>("longCommand");
        QTest::addColumn<bool>("portGone"); // the port closed during the wait, else the user cancelled
        QTest::addColumn<RSfunctions::Result>("result");
        QTest::newRow("command cancelled") << false << false << RSfunctions::Result::Cancelled;
        QTest::newRow("command, port gone") << false << true << RSfunctions::Result::PortLost;
        QTest::newRow("long command cancelled") << true << false << RSfunctions::Result::Cancelled;
        QTest::newRow("long command, port gone") << true << true << RSfunctions::Result::PortLost;
    }
    void givenUpWaitIsReported()
    {
        QFETCH(bool, longCommand);
        QFETCH(bool, portGone);
        QFETCH(RSfunctions::Result, result);
        Bench bench;
        AmpSim sim(AmpModel::Rx900);
        SimFaults faults;
        // One byte of the acknowledgement arrives, the other never does.
        faults.chunkSize = 1;
        faults.chunkGap = 1h;
        SimDriver driver(sim, bench.pty, faults);
        QVERIFY(bench.open());
        bench.linkState.LinkConnected = true;
        bench.linkState.AdoptAmpState = false;
        // The user gives up, or the device goes, once the first byte is there.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&bench, portGone] {
            if (bench.linkState.ReplyBuffer.size() == 1) {
                if (portGone)
                    bench.port.CloseMScomm();
                bench.linkState.LinkCancelRequested = true;
            }
        });
        watch.start(5ms);
        QCOMPARE(longCommand ? bench.rs.sendLong(0xC6, 25, QList<int>(20, ' '), true)
                             : bench.rs.SendCommand(Command::SetVolume, 0xC7, 0x01),
                 result);
        QCOMPARE(bench.port.CheckMScomm(), !portGone);
        QVERIFY(bench.linkState.LinkConnected && !bench.linkState.AdoptAmpState);
        QVERIFY(bench.linkState.LinkCancelRequested);
        QCOMPARE(bench.linkState.ReplyBuffer, QByteArray::fromHex("02"));
        QCOMPARE(bench.clears, 1);
    }
};

QTEST_GUILESS_MAIN(TestSenders)
#include "tst_senders.moc"
