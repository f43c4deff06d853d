#include "control/reconcile.h"
#include "control/tevlincommand.h"
#include "protocol/commandtable.h"

#include <QTest>

using namespace control;

// Tevlin's command line before anything is opened: the options, and what each --set asks of the
// amplifier through the window's own rules.
class TestTevlinCommand : public QObject
{
    Q_OBJECT
private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>(
            "parsed"); // "mode port address speed from-to settings json", or the problem
        QTest::newRow("window") << QStringList{} << "window  -1 0 1-255 0 -";
        QTest::newRow("status") << QStringList{"--status", "--port", "COM2", "--address", "7"}
                                << "status COM2 7 0 1-255 0 -";
        QTest::newRow("set twice, fast line")
            << QStringList{"--set",     "volume=45.5", "--set=power=on", "--port", "/dev/ttyUSB0",
                           "--address", "3",           "--speed",        "115200", "--json"}
            << "set /dev/ttyUSB0 3 2 1-255 2 json";
        QTest::newRow("scan a range") << QStringList{"--scan", "--port", "COM1", "--from", "5", "--to", "9"}
                                      << "scan COM1 -1 0 5-9 0 -";
        QTest::newRow("no port") << QStringList{"--status", "--address", "1"} << "name the port with --port";
        QTest::newRow("a value twice")
            << QStringList{"--set", "mute=on", "--set", "mute=off", "--port", "COM1"}
            << "mute=on and mute=off: one value each";
        QTest::newRow("address too large") << QStringList{"--status", "--port", "COM1", "--address", "65536"}
                                           << "--address takes the amplifier's network address, 0..65535";
        QTest::newRow("speed") << QStringList{"--status", "--port",  "COM1", "--address",
                                              "1",        "--speed", "4800"}
                               << "--speed is 9600, 57600 or 115200";
        QTest::newRow("scan with an address")
            << QStringList{"--scan", "--port", "COM1", "--address", "1"}
            << "--scan tries the addresses of --from and --to, not --address";
        QTest::newRow("range upside down")
            << QStringList{"--scan", "--port", "COM1", "--from", "9", "--to", "5"}
            << "--from and --to are addresses 0..65535, --from not above --to";
        QTest::newRow("scan and status")
            << QStringList{"--scan", "--status", "--port", "COM1"} << "--scan goes alone";
        QTest::newRow("port alone") << QStringList{"--port", "COM1"}
                                    << "--port goes with --status, --set or --scan";
        QTest::newRow("bad setting") << QStringList{"--set", "volume=loud", "--port",
                                                    "COM1",  "--address",   "1"}
                                     << "volume=loud: not a number";
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, parsed);
        QCommandLineParser parser;
        cli::addCommandLineOptions(parser);
        QVERIFY(parser.parse(QStringList{"tevlin"} + arguments));
        const auto read = cli::readCommandOptions(parser);
        if (const QString* problem = std::get_if<QString>(&read)) {
            QCOMPARE(*problem, parsed);
            return;
        }
        const auto& o = std::get<cli::CommandOptions>(read);
        const char* modes[] = {"window", "status", "set", "scan"};
        QCOMPARE(QString("%1 %2 %3 %4 %5-%6 %7 %8")
                     .arg(modes[int(o.mode)], o.port)
                     .arg(o.address.value_or(-1))
                     .arg(o.speedIndex)
                     .arg(o.from)
                     .arg(o.to)
                     .arg(o.settings.size())
                     .arg(o.json ? "json" : "-"),
                 parsed);
    }

    // Against an amplifier that is on at volume 45.0, input A1, unmuted: the commands the next poll
    // sends, as "entry data1 data2" (none when the setting is refused as text).
    void settingCausesCorrections_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("sent"); // or the problem
        QTest::addColumn<int>("model");
        QTest::newRow("volume") << QStringList{"volume=45.5"} << QString("%1 199 1").arg(Command::SetVolume)
                                << ModelCode::Vx900;
        QTest::newRow("volume above the maximum")
            << QStringList{"volume=120"} << QString("%1 231 3").arg(Command::SetVolume) << ModelCode::Vx900;
        QTest::newRow("input D2") << QStringList{"input=d2"}
                                  << QString("%1 2 0").arg(Command::SetDigitalInput) << ModelCode::Vx900;
        QTest::newRow("input 6 on a KMA840")
            << QStringList{"input=6"} << QString("%1 6 0").arg(Command::SetInput) << ModelCode::Kma840;
        QTest::newRow("D5 on a Solstice, refused") << QStringList{"input=D5"} << "" << ModelCode::Solstice;
        QTest::newRow("mute on") << QStringList{"mute=on"} << QString("%1 1 0").arg(Command::SetMute)
                                 << ModelCode::Vx900;
        QTest::newRow("mute on, already off is kept") << QStringList{"mute=off"} << "" << ModelCode::Vx900;
        QTest::newRow("standby, then the start-up volume")
            << QStringList{"power=standby"}
            << QString("%1 0 0, %2 44 1").arg(Command::SetPowerState).arg(Command::SetVolume)
            << ModelCode::Vx900;
        QTest::newRow("balance on a KMA840")
            << QStringList{"balance=-1.5"} << QString("%1 3 0").arg(Command::SetBalance) << ModelCode::Kma840;
        QTest::newRow("no value") << QStringList{"volume="} << "volume=: use volume=" << ModelCode::Vx900;
        QTest::newRow("unknown name") << QStringList{"bass=3"} << "bass=3: use volume=" << ModelCode::Vx900;
        QTest::newRow("input E1") << QStringList{"input=E1"} << "input=E1: use volume=" << ModelCode::Vx900;
        QTest::newRow("power maybe") << QStringList{"power=maybe"}
                                     << "power=maybe: use volume=" << ModelCode::Vx900;
    }
    void settingCausesCorrections()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, sent);
        QFETCH(int, model);
        StatusReply reply;
        reply.identified = true;
        reply.modelCode = model;
        reply.power = 1;
        reply.volume = 450;
        reply.defVolume = 300;
        reply.maxVolume = 999;
        reply.input = 1;
        reply.balance = BalanceCentre;
        OperatingState state = reconcileStatus(OperatingState{}, reply, true).state;
        QList<cli::Setting> parsed;
        for (const QString& text : settings) {
            const auto setting = cli::parseSetting(text);
            if (const QString* problem = std::get_if<QString>(&setting)) {
                QVERIFY2(problem->startsWith(sent), qPrintable(*problem));
                return;
            }
            parsed << std::get<cli::Setting>(setting);
            cli::applySetting(state, parsed.last(), true, model);
        }
        const PollOutcome outcome = reconcileStatus(state, reply, false);
        QStringList shown;
        for (const Correction& c : outcome.corrections)
            shown << QString("%1 %2 %3").arg(c.command).arg(c.data[0]).arg(c.data[1]);
        QCOMPARE(shown.join(", "), sent);
    }

    // What the status read after the writes shows of a --set that was not taken, against an
    // amplifier that is on at volume 45.0, which is also its maximum, input A1. (In standby: e2e.)
    void notAppliedSaysWhy_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("said"); // "" when taken
        const int vx = ModelCode::Vx900;
        QTest::newRow("volume above the maximum")
            << "volume=50" << vx << "asked 50.0, got 45.0: limited by the maximum volume, 45.0";
        QTest::newRow("volume beyond the range")
            << "volume=150" << vx << "asked 150.0, got 45.0: volumes go from 0.0 to 99.9";
        QTest::newRow("maximum below the volume")
            << "max-volume=10" << vx
            << "asked 10.0, got 45.0: the maximum volume is not set below the volume";
        QTest::newRow("balance, none")
            << "balance=1.5" << vx << "asked 1.5, got none: this model has no balance";
        QTest::newRow("balance off its steps")
            << "balance=1.2" << int(ModelCode::Kma840)
            << "asked 1.2, got 0.0: the balance goes from -3.0 to 3.0 in steps of 0.5";
        QTest::newRow("balance centre taken") << "balance=0" << int(ModelCode::Kma840) << "";
        QTest::newRow("no D5") << "input=D5" << int(ModelCode::Solstice)
                               << "asked D5, got A1: this model has no input D5";
    }
    void notAppliedSaysWhy()
    {
        QFETCH(QString, setting);
        QFETCH(int, model);
        QFETCH(QString, said);
        StatusReply reply;
        reply.modelCode = model;
        reply.power = PowerOn;
        reply.volume = reply.maxVolume = 450;
        reply.input = 1;
        reply.balance = BalanceCentre;
        const auto parsed = cli::parseSetting(setting);
        QVERIFY(std::holds_alternative<cli::Setting>(parsed));
        QCOMPARE(cli::notApplied(std::get<cli::Setting>(parsed), reply).value_or(QString()), said);
    }
};

QTEST_GUILESS_MAIN(TestTevlinCommand)
#include "tst_tevlincommand.moc"
