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

namespace {

constexpr int Port = 1;

// A link on COM1, pinned to a pseudo-terminal whose other side the test plays.
struct Bench
{
    Pty pty;
    LinkState state;
    ComForm link{state.ReplyBuffer};
    RSfunctions rs{state, link};
    QByteArray wire;
    Watchdog watchdog;

    Bench()
    {
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[Port] = pty.devicePath();
        link.setPortMap(PortMap({}, pins));
        link.setMessageBoxHook([](const QString& text) { QFAIL(qPrintable(text)); });
        QObject::connect(&pty, &Pty::received, &pty, [this](const QByteArray& bytes) { wire += bytes; });
        state.DeviceAddress = QStringLiteral("1");
    }
    bool open() { return link.SetupMScomm(Port, 0); }
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
        bench.state.DeviceAddress = address;
        bench.state.ReplyBuffer = "old";
        if (sender == 'S') {
            QCOMPARE(bench.rs.SendShortCommand(indexOrCode), RSfunctions::Result::Sent);
            QCOMPARE(bench.state.ReplyBuffer, QByteArray("old")); // the caller clears it, not the sender
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
        bench.state.DeviceAddress = address;
        bench.state.ReplyBuffer = "kept";
        // Rejected at once: a wait would hang here, as nothing answers.
        QCOMPARE(bench.rs.SendCommand(index, data1), RSfunctions::Result::Rejected);
        if (data1 > 255 || address != "1")
            QCOMPARE(bench.rs.sendLong(0x70, 7, {data1, 0}, true), RSfunctions::Result::Rejected);
        if (index < 1 || index > 106 || address != "1")
            QCOMPARE(bench.rs.SendShortCommand(index), RSfunctions::Result::Rejected);
        // More data than a long command's length holds.
        QCOMPARE(bench.rs.sendLong(0xC6, 25, QList<int>(22, 0), false), RSfunctions::Result::Rejected);
        QVERIFY(!bench.rs.SendLongCommand(0xC6, 41, {}, false));
        QCOMPARE(bench.state.ReplyBuffer, QByteArray("kept"));

        // What reaches the line first is the next valid request: nothing went before it.
        bench.state.DeviceAddress = "1";
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
        bench.state.ReplyBuffer = "old";
        QCOMPARE(bench.rs.SendCommand(Command::SetVolume, 0xC7, 0x01), RSfunctions::Result::Acknowledged);
        QCOMPARE(bench.state.ReplyBuffer, QByteArray::fromHex("02AA"));
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
        QVERIFY(bench.state.ReplyBuffer.isEmpty());
        QCOMPARE(sim.state().name, QByteArray("Living room RX900   "));
    }

    void cancelledLongCommandKeepsThePort()
    {
        Bench bench;
        AmpSim sim(AmpModel::Rx900);
        SimFaults faults;
        // One byte of the acknowledgement arrives, the other never does.
        faults.chunkSize = 1;
        faults.chunkGap = 1h;
        SimDriver driver(sim, bench.pty, faults);
        QVERIFY(bench.open());
        bench.state.LinkConnected = true;
        // The user gives up once the first byte is there.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&bench] {
            if (bench.state.ReplyBuffer.size() == 1)
                bench.state.LinkCancelRequested = true;
        });
        watch.start(5ms);
        QVERIFY(!bench.rs.SendLongCommand(0xC6, 25, QList<int>(20, ' '), true));
        QVERIFY(bench.link.CheckMScomm());
        QVERIFY(bench.state.LinkConnected);
        QVERIFY(!bench.state.LinkCancelRequested);
        QCOMPARE(bench.state.ReplyBuffer, QByteArray::fromHex("02"));
    }
};

QTEST_GUILESS_MAIN(TestSenders)
#include "tst_senders.moc"
