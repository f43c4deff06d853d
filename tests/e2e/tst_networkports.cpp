#include "../setup/setupbench.h"
#include "serial/comform.h"
#include "serial/wait.h"
#include "sim/serialserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace bench;
using Kind = SerialServer::Kind;
Q_DECLARE_METATYPE(SerialServer::Kind)

namespace {

QString program(const char* name)
{
    return QDir(QStringLiteral(PROGRAM_DIR)).filePath(QLatin1String(name));
}

// A program of ours; `lines` collects its standard output as it comes.
struct Run
{
    QProcess process;
    QStringList lines;
    explicit Run(const char* name, const QStringList& arguments) : Run(program(name), arguments) {}
    Run(const QString& path, const QStringList& arguments)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            while (process.canReadLine())
                lines << QString::fromLocal8Bit(process.readLine()).trimmed();
        });
        process.start(path, arguments);
    }
    ~Run()
    {
        process.kill();
        process.waitForFinished(2000);
    }
    bool waitFor(const std::function<bool()>& condition)
    {
        return waitUntil(condition, nullptr, 8s) == WaitResult::Met;
    }
    int finish()
    {
        const bool ended = waitFor([this] { return process.state() == QProcess::NotRunning; });
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString said() { return lines.join(u'\n') + QString::fromLocal8Bit(process.readAllStandardError()); }
};

} // namespace

// The programs on ports of ser2net that bridge to ampsim's pseudo-terminals.
class TestNetworkPorts : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        if (SerialServer::program().isEmpty())
            QSKIP("ser2net is not installed");
    }

    // tevlin --status: the request arrives intact (address 255 puts 0xFF into it), the reply is read,
    // and over RFC 2217 the pseudo-terminal runs at the chosen speed; plain TCP leaves the server's.
    void statusFromTheCommandLine_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("lineSpeed");
        QTest::newRow("rfc2217") << Kind::Rfc2217 << 1 << 57600 << "speed 57600";
        QTest::newRow("rfc2217, address 255") << Kind::Rfc2217 << 255 << 115200 << "speed 115200";
        QTest::newRow("tcp, address 255") << Kind::Tcp << 255 << 115200 << "speed 9600";
    }
    void statusFromTheCommandLine()
    {
        QFETCH(Kind, kind);
        QFETCH(int, address);
        QFETCH(int, speed);
        const Watchdog watchdog(15s);
        QTemporaryDir dir;
        Run sim("ampsim", {"--model", "vx900", "--address", QString::number(address), "--report-speed",
                           "--log", dir.filePath("log")});
        QVERIFY(sim.waitFor([&] { return !sim.lines.isEmpty(); }));
        SerialServer server;
        QVERIFY2(server.start({{kind, sim.lines.first()}}), qPrintable(server.errorString()));
        Run tevlin("tevlin", {"--status", "--address", QString::number(address), "--speed",
                              QString::number(speed), "--port", server.address(0)});
        QCOMPARE(tevlin.finish(), 0);
        QTEST(sim.lines.last(), "lineSpeed");
        QFile log(dir.filePath("log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains(
            QStringLiteral("05 %1 00 C8").arg(address, 2, 16, QChar(u'0')).toUpper().toLatin1()));
    }

    // The window on a network port pinned to COM1: handshake, poll, a setup dialog's read and Update
    // (the VX 900 reopens the port for each packet), the speed set on the line.
    void windowOnAPinnedPort_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<qint32>("lineSpeed");
        QTest::addColumn<qint32>("changedSpeed"); // after the Speed menu's 115200 and a new connect
        QTest::newRow("rfc2217") << Kind::Rfc2217 << 57600 << 115200;
        QTest::newRow("tcp") << Kind::Tcp << 9600 << 9600;
    }
    void windowOnAPinnedPort()
    {
        QFETCH(Kind, kind);
        SetupBench b;
        SerialServer server;
        QVERIFY2(server.start({{kind, b.pty.devicePath()}}), qPrintable(server.errorString()));
        b.writeIni(pinnedIni(server.address(0)).replace("DevAdr=1\n", "DevAdr=1\nComSpeed=57600\n"));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        QVERIFY(!b.state.AdoptAmpState);
        QTEST(b.pty.lineSpeed(), "lineSpeed");
        b.openSetup([&](setup::SetupDialog& d) {
            type(d, "TxtCrossOverFq", "120");
            press(d, "OKButton");
            press(d, "CancelButton");
        });
        QTRY_COMPARE_WITH_TIMEOUT(b.sim.state().crossOverFreq, 120, 3000);
        QVERIFY(b.state.LinkConnected);
        b.session.selectComSpeed(2);
        b.click("BtnConnectCancel");
        QVERIFY(b.connectLink());
        QTEST(b.pty.lineSpeed(), "changedSpeed");
    }

    // "Network port…": a wrong address is asked again with the reason; a good one is pinned to a free
    // number, remembered first among the recent ones, selected, and connects.
    void networkPortFromTheMenu()
    {
        Bench b;
        SerialServer server;
        QVERIFY2(server.start({{Kind::Rfc2217, b.pty.devicePath()}}), qPrintable(server.errorString()));
        b.writeIni("[ComSettings]\nDevAdr=1\nNetworkPort1=tcp://old:1\n[Tevlin]\nUpdateSpeed=600000\n");
        b.session.load();
        QStringList asked;
        b.session.portMenu().setNetworkPortAsker(
            [&](const QStringList& recent, const QString& problem) -> std::optional<QString> {
                asked << recent.join(u',') + u'|' + problem;
                return asked.size() == 1 ? QStringLiteral("rfc2217://127.0.0.1") : server.address(0);
            });
        b.find<QAction>("NetworkPort")->trigger();
        QCOMPARE(asked, (QStringList{
                            "tcp://old:1|",
                            "rfc2217://127.0.0.1,tcp://old:1|rfc2217://127.0.0.1: the port number is missing "
                            "(HOST:PORT)"}));
        const int port = b.state.ComPort;
        QCOMPARE(b.link.portMap().device(port), server.address(0));
        QVERIFY2(b.iniLines().contains(QStringLiteral("COM%1=%2").arg(port).arg(server.address(0))),
                 qPrintable(b.ini()));
        QCOMPARE(b.session.portMenu().recentNetworkPorts(), (QStringList{server.address(0), "tcp://old:1"}));
        QVERIFY(b.connectLink());
    }

    // The server goes away while a poll waits for its reply: a lost link, said as for an unplugged
    // adapter, within seconds.
    void serverKilledMidPoll()
    {
        SimFaults faults;
        faults.noReply = true;
        faults.onlyCode = StatusCode;
        faults.skip = 1;
        Bench b(AmpModel::Vx900, faults);
        SerialServer server;
        QVERIFY2(server.start({{Kind::Rfc2217, b.pty.devicePath()}}), qPrintable(server.errorString()));
        b.writeIni(pinnedIni(server.address(0)));
        b.session.load();
        QVERIFY(b.connectLink());
        b.session.tick();
        QString notice;
        QObject::connect(&b.session, &control::LinkSession::notice, [&](const QString& t) { notice += t; });
        b.onRequest(StatusCode, [&] { server.kill(); });
        b.session.tick();
        QCOMPARE(b.linkState(), Bench::Idle);
        QVERIFY2(notice.contains(server.address(0) + " (COM1) went away"), qPrintable(notice));
    }

    // corlift --flash on two RFC 2217 ports at once; the boot loader's answers followed by plain
    // padding or by 0xFF bytes. Killing the server in the middle fails the upload.
    void flashes_data()
    {
        QTest::addColumn<QStringList>("loader");
        QTest::addColumn<bool>("killed");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("plain") << QStringList{"--reply-padding", "3"} << false << 0;
        QTest::newRow("0xFF after answers")
            << QStringList{"--reply-padding", "3", "--padding-byte", "FF"} << false << 0;
        QTest::newRow("server killed") << QStringList() << true << 1;
    }
    void flashes()
    {
        QFETCH(QStringList, loader);
        QFETCH(bool, killed);
        const Watchdog watchdog(30s);
        QTemporaryDir dir;
        const QString file = dir.filePath("fw.s19");
        QCOMPARE(
            QProcess::execute(program("ampsim"), {"--boot", "kma840", "--make-file", file, "--lines", "12"}),
            0);
        Run sim("ampsim", QStringList{"--boot", "kma840", "--boot", "kma840"} + loader);
        QVERIFY(sim.waitFor([&] { return sim.lines.size() == 2; }));
        SerialServer server;
        QVERIFY2(server.start({{Kind::Rfc2217, sim.lines[0]}, {Kind::Rfc2217, sim.lines[1]}}),
                 qPrintable(server.errorString()));
        Run corlift("corlift", {"--flash", file, "--port", server.address(0), "--port", server.address(1),
                                "--delay", "150", "--json", "--settings-dir", dir.path()});
        if (killed) {
            QVERIFY(corlift.waitFor([&] { return corlift.lines.join(' ').contains("\"line\":3"); }));
            server.kill();
        }
        QFETCH(int, exitCode);
        QCOMPARE(corlift.finish(), exitCode);
        // Each port reports its outcome as its unit is done and as it finishes.
        const QString said = corlift.said();
        QCOMPARE(said.count("\"outcome\":\"success\""), killed ? 0 : 4);
        QCOMPARE(said.count("went away"), killed ? 4 : 0);
    }

    // Ports that cannot be used end within seconds, and say why.
    void failuresSayWhy_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused") << "rfc2217" << false << "refused the connection";
        QTest::newRow("tcp refused") << "tcp" << false << "refused the connection";
        QTest::newRow("no telnet") << "rfc2217" << true << "did not take up RFC 2217";
    }
    void failuresSayWhy()
    {
        QFETCH(QString, scheme);
        QFETCH(bool, listening);
        QTcpServer silent;
        const quint16 port = listening && silent.listen(QHostAddress::LocalHost) ? silent.serverPort()
                                                                                 : SerialServer::freePort();
        const QString address = QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port);
        QByteArray reply;
        ComForm link(reply);
        PortMap map;
        map.pin(1, address);
        link.setPortMap(map);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!link.SetupMScommForProduction(1, 0));
        QVERIFY(clock.elapsed() < 6000);
        QFETCH(QString, reason);
        QVERIFY2(link.lastProblem().message.contains(reason), qPrintable(link.lastProblem().message));
        if (!listening) {
            Run tevlin("tevlin", {"--status", "--address", "1", "--port", address});
            QCOMPARE(tevlin.finish(), 3);
            QVERIFY2(tevlin.said().contains(reason), qPrintable(tevlin.said()));
        }
    }

    // A program without its network module says so when a network port opens, and fails as for any
    // port that is not there; local ports do not need the module.
    void aMissingModuleIsSaid()
    {
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("tevlin"));
        QVERIFY(QFile::copy(program("tevlin"), copy));
        const QByteArray moduleDir = qgetenv("KORVANES_MODULE_DIR");
        qunsetenv("KORVANES_MODULE_DIR");
        Run tevlin(copy, {"--status", "--address", "1", "--port",
                          QStringLiteral("rfc2217://127.0.0.1:%1").arg(SerialServer::freePort())});
        qputenv("KORVANES_MODULE_DIR", moduleDir);
        QCOMPARE(tevlin.finish(), 3);
        QVERIFY2(tevlin.said().contains("Network ports need the module korvanes-netport"),
                 qPrintable(tevlin.said()));
    }
};

QTEST_MAIN(TestNetworkPorts)
#include "tst_networkports.moc"
