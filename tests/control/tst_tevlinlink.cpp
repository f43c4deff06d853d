#include "tevlinbench.h"

#include "control/sevensegmentdisplay.h"
#include "cputime.h"

using namespace bench;

Q_DECLARE_METATYPE(control::LinkMove)

class TestTevlinLink : public QObject
{
    Q_OBJECT
private slots:
    // Start-up from setup.ini: the state it leaves and what it writes back. "<pty>" stands for the
    // pseudo-terminal's path.
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("ini"); // empty: no file at all
        QTest::addColumn<int>("comPort");
        QTest::addColumn<int>("comSpeed");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("written"); // lines the file holds afterwards

        const QStringList defaults{"DevAdr=?", "ComPort=1", "ComSpeed=9600", "UpdateSpeed=3500", "Debug=0"};
        QTest::newRow("missing file") << QByteArray() << 1 << 0 << 3500 << false << "?" << defaults;
        QTest::newRow("partial") << QByteArray("[ComSettings]\nCOM1=<pty>\nComSpeed=115200\n") << 1 << 2
                                 << 3500 << false << "?"
                                 << QStringList{"COM1=<pty>",      "DevAdr=?",         "ComPort=1",
                                                "ComSpeed=115200", "UpdateSpeed=3500", "Debug=0"};
        const auto hostile = [](const char* comPort, const char* comSpeed, const char* update,
                                const char* debug) {
            return QByteArray("[ComSettings]\nDevAdr=12ab\nComPort=") + comPort + "\nComSpeed=" + comSpeed +
                   "\n[Tevlin]\nUpdateSpeed=" + update + "\nDebug=" + debug + "\n";
        };
        QTest::newRow("port 0, 57600.0, 1000, 86")
            << hostile("0", "57600.0", "1000", "86") << 1 << 1 << 1500 << true << "12ab"
            << QStringList{"DevAdr=12ab", "ComPort=0", "ComSpeed=57600", "UpdateSpeed=1000", "Debug=86"};
        QTest::newRow("port 17, 4800, abc, 86.0")
            << hostile("17", "4800", "abc", "86.0") << 1 << 0 << 1500 << true << "12ab"
            << QStringList{"ComPort=17", "ComSpeed=9600", "UpdateSpeed=abc", "Debug=86.0"};
        QTest::newRow("port abc, speed abc, 2000, 86x")
            << hostile("abc", "abc", "2000", "86x") << 1 << 0 << 2000 << false << "12ab"
            << QStringList{"ComPort=0", "ComSpeed=9600", "UpdateSpeed=2000", "Debug=86x"};
        QTest::newRow("port 16, 115200.0, huge, 87")
            << hostile("16", "115200.0", "1e12", "87") << 16 << 2 << std::numeric_limits<int>::max() << false
            << "12ab" << QStringList{"ComPort=16", "ComSpeed=115200", "Debug=87"};
    }
    void startUp()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, comPort);
        QFETCH(int, comSpeed);
        QFETCH(int, interval);
        QFETCH(bool, debug);
        QFETCH(QString, address);
        QFETCH(QStringList, written);
        Bench b;
        const QString pty = b.pty.devicePath();
        if (!ini.isEmpty())
            b.writeIni(ini.replace("<pty>", pty.toLatin1()));
        b.session.load();

        QCOMPARE(b.state.ComPort, comPort);
        QCOMPARE(b.state.ComSpeed, comSpeed);
        QCOMPARE(b.session.pollInterval(), interval);
        QCOMPARE(b.link.isVisibleWindow(), debug);
        QCOMPARE(b.state.DeviceAddress, address);
        QCOMPARE(b.linkState(), Bench::Idle);
        QCOMPARE(b.session.nextTickIn(), -1);
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(b.find<QAction>(QStringLiteral("COM%1").arg(n))->isChecked(), n == comPort);
        const std::array<const char*, 3> speeds{"Speed_9600", "Speed_57600", "Speed_115000"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(b.find<QAction>(speeds[i])->isChecked(), i == comSpeed);
        const QStringList lines = b.iniLines();
        for (const QString& line : written)
            QVERIFY2(lines.count(QString(line).replace("<pty>", pty)) == 1, qPrintable(b.ini()));
        // The pinned port is there to be chosen, and its menu item says where it leads, once the
        // ports have been probed after start-up.
        if (ini.contains("COM1="))
            QTRY_VERIFY(b.find<QAction>("COM1")->isVisible() &&
                        b.find<QAction>("COM1")->text().contains(pty));
        QVERIFY(!b.find("BtnPower")->isEnabled());
        QVERIFY(b.portMessages.isEmpty());
    }

    // A handshake that does not connect: an address no packet can carry sends nothing (so there is
    // nothing to wait for); no reply or a three-byte one waits until Cancel; a wrong reply is stuck
    // with the port open until Cancel. Cancel leaves everything as before.
    void handshakeWithoutLink_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<int>("reply");      // bytes the amplifier sends: 0 none, 2 wrong, 3 one too many
        QTest::addColumn<QString>("before"); // the link before Cancel
        const QString waiting = "Cancel, Not connected, port open, link down, settings off, adopt next";
        QTest::newRow("address 70000") << QByteArray("70000") << 0 << Bench::Idle;
        QTest::newRow("address -1") << QByteArray("-1") << 0 << Bench::Idle;
        QTest::newRow("no reply") << QByteArray("1") << 0 << waiting;
        QTest::newRow("3-byte reply") << QByteArray("1") << 3 << waiting;
        QTest::newRow("wrong reply") << QByteArray("1") << 2 << waiting;
    }
    void handshakeWithoutLink()
    {
        QFETCH(QByteArray, address);
        QFETCH(int, reply);
        QFETCH(QString, before);
        SimFaults faults;
        faults.noReply = reply == 0;
        faults.extraBytes = reply == 3 ? 1 : 0;
        faults.wrongBytePos = reply == 2 ? 2 : 0;
        faults.onlyCode = 0x01;
        Bench b(AmpModel::Vx900, faults);
        b.writeIni(pinnedIni(b.pty.devicePath()).replace("DevAdr=1", "DevAdr=" + address));
        b.session.load();
        // The user presses Cancel once whatever the amplifier sends has arrived, or at once when
        // it must be pressed again after the handshake gave up.
        QString seen;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!b.requests.isEmpty() && b.state.ReplyBuffer.size() == reply && reply != 2) {
                watch.stop();
                seen = b.linkState();
                b.click("BtnConnectCancel");
            }
        });
        watch.start(10ms);
        b.click("BtnConnectCancel");
        if (reply == 2) {
            QCOMPARE(b.state.ReplyBuffer, QByteArray::fromHex("0255"));
            seen = b.linkState();
            b.session.tick(); // polls nothing
            b.click("BtnConnectCancel");
        }
        QCOMPARE(seen.isEmpty() ? Bench::Idle : seen, before);
        QCOMPARE(b.linkState(), Bench::Idle);
        QCOMPARE(b.requests.size(), address == "1" ? 1 : 0);
        QVERIFY(reply == 2 || address != "1" || !b.state.LinkCancelRequested); // the wait took the cancel
        QVERIFY(b.portMessages.isEmpty());
        if (address != "1")
            QVERIFY(b.label("Notice").contains(QString::fromLatin1(address)));
    }

    void identifiesTheModel_data()
    {
        QTest::addColumn<AmpModel>("model");
        QTest::addColumn<int>("version"); // -1: the model's own
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("productType");
        QTest::addColumn<bool>("d5");
        QTest::newRow("kma840") << AmpModel::Kma840 << -1 << 1 << "KMA840 vers. 18" << false;
        QTest::newRow("solstice") << AmpModel::Solstice << 33 << 2 << "Solstice Mk.III vers. 33" << false;
        QTest::newRow("rx900") << AmpModel::Rx900 << -1 << 3 << "RX 900 vers. 12" << true;
        QTest::newRow("vx900") << AmpModel::Vx900 << -1 << 5 << "VX 900 vers. 32" << true;
        QTest::newRow("vx900 version 10 is an RX900")
            << AmpModel::Vx900 << 10 << 3 << "RX 900 vers. 10" << true;
        QTest::newRow("vx900s") << AmpModel::Vx900s << -1 << 7 << "VX 900S vers. 41" << true;
        QTest::newRow("generic21 leaves the caption")
            << AmpModel::Generic21 << -1 << 0 << "as it was" << true;
    }
    void identifiesTheModel()
    {
        QFETCH(AmpModel, model);
        QFETCH(int, version);
        QFETCH(int, code);
        QFETCH(QString, productType);
        QFETCH(bool, d5);
        Bench b(model, {}, version < 0 ? std::nullopt : std::optional<int>(version));
        b.sim.state().volume = 123;
        b.load();
        b.find<QLabel>("ProductType")->setText("as it was");
        QVERIFY(b.connectLink());
        // Length 5, address 1 (low, high), code 01, checksum 5 + 1 + 0 + 1.
        QCOMPARE(b.requests, QList<QByteArray>{QByteArray::fromHex("0501000107")});
        QCOMPARE(b.linkState(), "Discon, Connected, port open, link up, settings off, adopt next");
        QVERIFY(b.find("BtnPower")->isEnabled() && b.find("BtnSetupAmp")->isEnabled());
        b.session.tick();
        QVERIFY(!b.state.AdoptAmpState);
        QCOMPARE(int(b.state.AmpModelCode), code);
        QCOMPARE(b.label("ProductType"), productType);
        QCOMPARE(b.session.operatingState().volume, 123);
        QCOMPARE(b.caption("BtnD5"), d5 ? "D5" : "");
        QCOMPARE(b.find("BtnD5")->isHidden(), !d5);
        QCOMPARE(b.find("BtnBalanceSet")->isHidden(), code != 1);
        b.click("BtnSetupAmp");
        QCOMPARE(b.setupsOpened, QList<int>{code});
    }

    // A status reply damaged on the line is a missed poll: the panel keeps what it showed, the
    // wanted values stay as they were and no correction goes out; the next good reply is used, and
    // the correction goes out after it.
    void damagedStatusReplyIsNotUsed_data()
    {
        QTest::addColumn<int>("lengthByte"); // -1: the checksum inverted instead
        QTest::newRow("checksum") << -1;
        QTest::newRow("length byte 24") << 24;
        QTest::newRow("length byte 26") << 26;
        QTest::newRow("length byte 21") << 21;
    }
    void damagedStatusReplyIsNotUsed()
    {
        QFETCH(int, lengthByte);
        SimFaults faults;
        faults.onlyCode = StatusCode;
        faults.badChecksum = lengthByte < 0;
        faults.lengthByte = lengthByte;
        faults.skip = 1;
        faults.times = 1;
        Bench b(AmpModel::Vx900, faults);
        QVERIFY(b.connectAndAdopt());
        const QString source = b.label("LblSource");
        b.click("BtnVolUp");
        const control::OperatingState wanted = b.session.operatingState();
        b.sim.state().input = 7;
        const qsizetype from = b.requests.size();

        b.session.tick();
        QCOMPARE(b.requests.mid(from), QList<QByteArray>{QByteArray::fromHex("050100C8CE")});
        QCOMPARE(b.label("LblSource"), source);
        QVERIFY(b.session.operatingState().volumeChanged);
        QCOMPARE(b.session.operatingState().inputSelected, wanted.inputSelected);
        QVERIFY(b.label("Notice").contains("damaged"));
        QVERIFY(b.state.LinkConnected && b.session.panelLit());

        b.session.tick();
        QCOMPARE(b.label("LblSource"), "D3");
        QCOMPARE(codeOf(b.requests.last()), 0x70);
        QVERIFY(!b.label("Notice").contains("damaged"));
    }

    // The setup dialog borrows the link: one asked for while a poll waits opens after that poll.
    void setupWaitsForThePoll()
    {
        SimFaults faults;
        faults.delay = 300ms;
        faults.onlyCode = StatusCode;
        Bench b(AmpModel::Vx900, faults);
        b.load();
        QVERIFY(b.connectLink());
        bool openedDuringPoll = false;
        QObject::connect(&b.session, &control::LinkSession::setupRequested, &b.session,
                         [&] { openedDuringPoll = b.session.isPolling() || !b.state.ReplyBuffer.isEmpty(); });
        b.onRequest(StatusCode, [&b] { b.click("BtnSetupAmp"); });
        b.session.tick();
        QCOMPARE(b.setupsOpened, QList<int>{5});
        QVERIFY(!openedDuringPoll);
    }

    // While a setup dialog holds the lease the poll sends nothing. The address and speed it hands
    // back are stored in one write and drop the link at once, whatever its phase (never starting a
    // handshake), and the status bar says where the amplifier answers now; a lease that ends
    // without a change leaves the link as it was. Nothing answers there: after a few polls' time
    // the status bar says what to check, and that stays once the user gives up.
    void leaseHandsBackTheLinkChange_data()
    {
        QTest::addColumn<bool>("dropped"); // the link went down while leased
        QTest::addColumn<bool>("changed"); // the lease ends with a new address and speed
        QTest::addColumn<control::LinkMove>("move");
        QTest::addColumn<QString>("said"); // after the change | after Cancel
        const QString gaveUp = "|The amplifier did not answer on <pty> (COM1).\nNo answer at ";
        QTest::newRow("connected")
            << false << true << control::LinkMove::Changed
            << "The amplifier's Link ID or speed was changed: it now answers at address "
               "7, 115200 baud. Press Connect." +
                   gaveUp +
                   "address 7, 115200 baud: check the speed, or try Setting > Find "
                   "amplifiers…";
        QTest::newRow("reset, disconnected meanwhile")
            << true << true << control::LinkMove::Reset
            << "The amplifier was reset: it now answers at address 7, 115200 baud. Press Connect." + gaveUp +
                   "the factory address 7, 115200 baud: try Setting > Find amplifiers…";
        QTest::newRow("no change") << false << false << control::LinkMove::Changed << "";
    }
    void leaseHandsBackTheLinkChange()
    {
        QFETCH(bool, dropped);
        QFETCH(bool, changed);
        QFETCH(control::LinkMove, move);
        QFETCH(QString, said);
        Bench b;
        QVERIFY(b.connectAndAdopt());
        const qsizetype sent = b.requests.size();
        const QString ini = b.ini();
        {
            control::LinkLease lease = b.session.lease();
            b.session.tick();
            QVERIFY(b.state.LinkConnected && b.session.isLeased());
            if (dropped)
                b.click("BtnConnectCancel");
            lease.end(changed ? std::optional(control::LinkLease::LinkValues{7, 2, move}) : std::nullopt);
            QVERIFY(!b.session.isLeased());
            QCOMPARE(b.requests.size(), sent);
        }
        QVERIFY(b.portMessages.isEmpty());
        if (!changed) {
            QCOMPARE(b.ini(), ini);
            b.session.tick();
            QCOMPARE(codeOf(b.requests.last()), StatusCode);
            return;
        }
        QCOMPARE(b.linkState(), Bench::Idle);
        QCOMPARE(b.state.DeviceAddress, "7");
        QVERIFY(b.find<QAction>("Speed_115000")->isChecked());
        QVERIFY(b.iniLines().contains("DevAdr=7") && b.iniLines().contains("ComSpeed=115200"));
        said.replace("<pty>", b.pty.devicePath());
        QCOMPARE(b.label("Notice"), said.section(u'|', 0, 0));
        // The status bar keeps room for two lines, so that a notice coming or going, long or short,
        // never asks for another window size.
        const auto* notice = b.find<QLabel>("Notice");
        QVERIFY(notice->height() >= 2 * notice->fontMetrics().lineSpacing());
        const QSize wanted = b.window.sizeHint();
        QSize wantedWhileWaiting;
        b.session.setNoAnswerHint(200ms);
        QObject::connect(&b.session, &control::LinkSession::notice, &b.window, [&](const QString& text) {
            if (!text.contains("stops waiting)\nNo answer"))
                return;
            wantedWhileWaiting = b.window.sizeHint();
            QTimer::singleShot(0, &b.window, [&b] { b.click("BtnConnectCancel"); });
        });
        b.click("BtnConnectCancel");
        QCOMPARE(b.linkState(), Bench::Idle);
        QCOMPARE(b.label("Notice"), said.section(u'|', 1));
        QCOMPARE(wantedWhileWaiting, wanted);
    }

    // The amplifier's reply and the user's Cancel or Discon handled in the same pass of a wait: the
    // click wins. A closed port never shows "Discon", and the next reply is taken over as it is.
    void clickInTheSamePassAsTheReplyWins_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("handshake") << 0x01;
        QTest::newRow("poll") << StatusCode;
    }
    void clickInTheSamePassAsTheReplyWins()
    {
        QFETCH(int, code);
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = code;
        Bench b(AmpModel::Vx900, faults);
        b.load();
        if (code == StatusCode)
            QVERIFY(b.connectLink());
        b.onRequest(code, [&b, code] {
            // As the port's receive handler would append it, in the same pass as the click.
            const_cast<LinkState&>(b.state).ReplyBuffer =
                code == StatusCode ? b.sim.statusReply() : AmpSim::acknowledgement();
            b.click("BtnConnectCancel");
        });
        if (code == StatusCode)
            b.session.tick();
        else
            b.click("BtnConnectCancel");
        QCOMPARE(b.linkState(), Bench::Idle);
        QVERIFY(!b.session.panelLit());
    }

    // What the status bar says after the user set the address or the port failed to open (in the
    // serial layer's words), or Connect found no port to open; it stays until the next action. Only
    // the address's leading number is stored.
    void statusBarSaysWhatWasTaken_data()
    {
        // Typed at the prompt; empty: Connect on COM2 instead; "-": Connect, every port pinned to a
        // missing device.
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("stored"); // DevAdr afterwards
        QTest::addColumn<QString>("said");   // "<dir>" stands for the test's directory
        QTest::newRow("a number") << "12"
                                  << "12"
                                  << "Network address 12.";
        QTest::newRow("a number and letters") << "12ab"
                                              << "12"
                                              << "The network address \"12ab\" is taken as 12.";
        QTest::newRow("a word") << "seven"
                                << "0"
                                << "The network address \"seven\" is taken as 0.";
        QTest::newRow("too large")
            << "70000"
            << "70000"
            << "No amplifier can have the network address \"70000\"; choose one from 0 "
               "to 65535.";
        QTest::newRow("port without its device") << ""
                                                 << "1"
                                                 << "<dir>/gone (COM2) could not be opened: Comm Port not "
                                                    "available!";
        QTest::newRow("no usable port")
            << "-"
            << "1"
            << "No serial port found. Connect has no port to open (Setting > Comport).";
    }
    void statusBarSaysWhatWasTaken()
    {
        QFETCH(QString, address);
        QFETCH(QString, stored);
        QFETCH(QString, said);
        Bench b;
        QByteArray ini = pinnedIni(b.pty.devicePath())
                             .replace("DevAdr=1", "DevAdr=1\nCOM2=" + b.dir.filePath("gone").toLatin1());
        if (address == "-") {
            ini = "[ComSettings]\nDevAdr=1\n";
            for (int n = 1; n <= 16; ++n)
                ini += QStringLiteral("COM%1=%2%1\n").arg(n).arg(b.dir.filePath("gone")).toLatin1();
        }
        b.writeIni(ini);
        b.session.load();
        if (address == "-") {
            b.click("BtnConnectCancel");
            QVERIFY(b.portMessages.isEmpty() && b.requests.isEmpty());
        } else if (address.isEmpty()) {
            b.find<QAction>("COM2")->trigger();
            b.click("BtnConnectCancel");
            QCOMPARE(b.portMessages, QStringList{"Comm Port not available!"});
        } else {
            b.session.setDeviceAddress(address);
            QCOMPARE(b.state.DeviceAddress, address);
        }
        QVERIFY(b.iniLines().contains("DevAdr=" + stored));
        QCOMPARE(b.label("Notice"), said.replace("<dir>", b.dir.path()));
        b.find<QAction>("Speed_57600")->trigger();
        QVERIFY(b.label("Notice").isEmpty());
    }

    // The link goes down while a wait is on the stack: the amplifier's side hangs up, or the user
    // presses Discon. The window goes back to Idle by itself, and the next tick sends nothing. A
    // wait sleeps: a second of it costs next to no processor time.
    void linkGoesDown_data()
    {
        QTest::addColumn<int>("silentCode");  // the request left unanswered; -1: none
        QTest::addColumn<int>("hangUpAfter"); // requests after which ampsim hangs up; 0: never
        QTest::addColumn<bool>("discon");     // on the silent request: Discon, else the line drops
        QTest::addColumn<int>("after");       // ms after that request
        QTest::addColumn<bool>("stale");      // the panel keeps its last values, greyed
        QTest::newRow("hang-up during the handshake") << 0x01 << 0 << false << 0 << false;
        QTest::newRow("hang-up while the poll waits") << StatusCode << 0 << false << 0 << false;
        QTest::newRow("hang-up after the second poll's reply") << -1 << 3 << false << 0 << true;
        QTest::newRow("Discon after the poll waited 1 s") << StatusCode << 0 << true << 1000 << false;
        QTest::newRow("Discon while a correction waits") << 0x70 << 0 << true << 0 << false;
    }
    void linkGoesDown()
    {
        QFETCH(int, silentCode);
        QFETCH(int, hangUpAfter);
        QFETCH(bool, discon);
        QFETCH(int, after);
        QFETCH(bool, stale);
        SimFaults faults;
        faults.noReply = silentCode > 0;
        faults.onlyCode = silentCode;
        faults.hangUpAfter = hangUpAfter;
        Bench b(AmpModel::Vx900, faults);
        b.load();
        if (silentCode == 0x70) {
            // The first tick comes when it would have had the timer run since start-up (a timer of
            // the test's long interval goes by whole seconds).
            pauseFor(1s);
            QVERIFY(b.connectLink());
            QVERIFY(b.session.nextTickIn() > 0 && b.session.nextTickIn() <= b.session.pollInterval() - 500);
            b.session.tick();
            b.click("BtnVolUp");
        }
        b.onRequest(silentCode, [&b, discon, after] {
            QTimer::singleShot(after,
                               [&b, discon] { discon ? b.click("BtnConnectCancel") : b.pty.hangUp(); });
        });
        const auto before = cpuTime();
        if (silentCode != 0x70)
            b.click("BtnConnectCancel");
        if (silentCode != 0x01)
            b.session.tick();
        if (hangUpAfter > 0) // the first poll lit the panel
            b.session.tick();
        const auto used = cpuTime() - before;
        if (after > 0) {
            qInfo("CPU time while a poll waited 1 s: %lld us", static_cast<long long>(used.count()));
            QVERIFY2(used < 30ms, "the wait spins");
        }
        QTRY_COMPARE(b.linkState(), Bench::Idle);
        QVERIFY(silentCode < 0 || !b.state.LinkCancelRequested); // a wait took the cancel
        QVERIFY(!b.find("BtnVolUp")->isEnabled() && !b.find("BtnPower")->isEnabled());
        const qsizetype sent = b.requests.size();
        b.session.tick();
        QCOMPARE(b.requests.size(), sent);
        QCOMPARE(b.session.nextTickIn(), -1); // nothing wakes the program until the next connect

        // A lost device is said in words until the next action; the user's own Discon needs none.
        const QString said = b.label("Notice");
        QCOMPARE(said.contains("The serial device " + b.pty.devicePath() + " (COM1) went away"), !discon);
        QCOMPARE(b.session.panelStale(), stale);
        auto* display = b.find<control::SevenSegmentDisplay>("VolumeDisplay");
        QCOMPARE(display->mode() != control::DisplayMode::Dark, stale);
        QCOMPARE(b.find<QWidget>("FrontPanel")->graphicsEffect() != nullptr, stale);
        QCOMPARE(b.find<QWidget>("FrontPanel")->accessibleDescription().startsWith("Last values"), stale);
    }
};

QTEST_MAIN(TestTevlinLink)
#include "tst_tevlinlink.moc"
