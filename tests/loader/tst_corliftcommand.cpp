#include "loader/corliftcommand.h"
#include "serial/portchoice.h"

#include <QTest>

// Corlift's command line as parsed, before anything is opened.
class TestCorliftCommand : public QObject
{
    Q_OBJECT
private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("parsed"); // "mode file ports delay boot json loop", or the problem
        QTest::newRow("window") << QStringList{} << "window   - - - -";
        QTest::newRow("check") << QStringList{"--check", "fw.s19"} << "check fw.s19  - - - -";
        QTest::newRow("flash, two ports")
            << QStringList{"--flash", "fw.s19", "--port", "COM3", "--port", "/dev/ttyUSB0"}
            << "flash fw.s19 COM3,/dev/ttyUSB0 - - - -";
        QTest::newRow("flash, all options")
            << QStringList{"--flash=fw.s19", "--port=COM1", "--delay", "200",
                           "--boot-timeout", "30",          "--json",  "--loop"}
            << "flash fw.s19 COM1 200 30 json loop";
        QTest::newRow("send damaged") << QStringList{"--flash", "fw.s19", "--port", "COM1", "--send-damaged"}
                                      << "flash fw.s19 COM1 - - - - send-damaged";
        QTest::newRow("send damaged without flash")
            << QStringList{"--check", "fw.s19", "--send-damaged"} << "--send-damaged goes with --flash";
        QTest::newRow("a file as the desktop opens it") << QStringList{"fw.s19"} << "window fw.s19  - - - -";
        QTest::newRow("two files") << QStringList{"a.s19", "b.s19"} << "b.s19: unexpected argument";
        QTest::newRow("check, a stray file") << QStringList{"--check", "a.s19", "b.s19"}
                                             << "b.s19: unexpected argument; --check takes one file";
        QTest::newRow("no port") << QStringList{"--flash", "fw.s19"} << "--flash needs at least one --port";
        QTest::newRow("both") << QStringList{"--check", "a", "--flash", "b", "--port", "COM1"}
                              << "--check and --flash do not go together";
        QTest::newRow("port without flash")
            << QStringList{"--check", "a", "--port", "COM1"} << "--port goes with --flash";
        QTest::newRow("loop alone") << QStringList{"--loop"} << "--loop goes with --flash";
        QTest::newRow("delay not a number")
            << QStringList{"--flash", "a", "--port", "COM1", "--delay", "fast"}
            << "--delay takes a number of milliseconds";
        QTest::newRow("boot time-out of 0")
            << QStringList{"--flash", "a", "--port", "COM1", "--boot-timeout", "0"}
            << "--boot-timeout takes a number of seconds";
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, parsed);
        QCommandLineParser parser;
        corlift::addCommandLineOptions(parser);
        QVERIFY(parser.parse(QStringList{"corlift"} + arguments));
        QCOMPARE(corlift::wantsCommandLine(arguments),
                 arguments.join(u' ').contains("--check") || arguments.join(u' ').contains("--flash"));
        const auto read = corlift::readCommandOptions(parser);
        if (const QString* problem = std::get_if<QString>(&read)) {
            QCOMPARE(*problem, parsed);
            return;
        }
        const auto& o = std::get<corlift::CommandOptions>(read);
        const char* modes[] = {"window", "check", "flash"};
        const QString shown = QStringList{modes[int(o.mode)],
                                          o.file,
                                          o.ports.join(u','),
                                          o.delayMs ? QString::number(*o.delayMs) : "-",
                                          o.bootTimeout ? QString::number(o.bootTimeout->count()) : "-",
                                          o.json ? "json" : "-",
                                          o.loop ? "loop" : "-"}
                                  .join(u' ') +
                              (o.sendDamaged ? " send-damaged" : "");
        QCOMPARE(shown, parsed);
    }

    void ports_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("chosen"); // "number device", or the start of the problem
        QTest::newRow("COM2 of the map") << "COM2"
                                         << "2 /dev/ttyS1";
        QTest::newRow("lower case") << "com2"
                                    << "2 /dev/ttyS1";
        QTest::newRow("a mapped device") << "/dev/ttyS1"
                                         << "2 /dev/ttyS1";
        QTest::newRow("another device") << "/dev/pts/7"
                                        << "1 /dev/pts/7";
        QTest::newRow("a number without device") << "COM9"
                                                 << "COM9 has no serial device";
        QTest::newRow("beyond the menus") << "COM17"
                                          << "COM17: the ports are COM1 to COM16";
        QTest::newRow("neither") << "ttyUSB0"
                                 << "ttyUSB0: give COM1 to COM16 or a device path";
    }
    void ports()
    {
        QFETCH(QString, text);
        QFETCH(QString, chosen);
        std::array<QString, PortMap::LastPort + 1> pins{};
        pins[2] = "/dev/ttyS1";
        const auto choice = choosePort(text, PortMap({}, pins));
        if (const QString* problem = std::get_if<QString>(&choice)) {
            QVERIFY2(problem->startsWith(chosen), qPrintable(*problem));
            return;
        }
        const PortChoice& port = std::get<PortChoice>(choice);
        QCOMPARE(QString("%1 %2").arg(port.number).arg(port.device), chosen);
        QCOMPARE(port.portMap().device(port.number), port.device);
    }
};

QTEST_GUILESS_MAIN(TestCorliftCommand)
#include "tst_corliftcommand.moc"
