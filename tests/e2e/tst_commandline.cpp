#include "loader/srecords.h"
#include "serial/wait.h"
#include "settings/inifilehandler.h"
#include "sim/bootloader.h"
#include "sim/pty.h"
#include "sim/setuppin.h"
#include "watchdog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

using namespace std::chrono_literals;

namespace {

const QByteArray Kma840Header = "S00A00004B4D413834300080";

// Once a wait on a program ran out, the fault is likely in what every test shares (an upload that
// stalls): the waits after it get a second each, so that the whole program fails within seconds.
bool stalled = false;

std::chrono::milliseconds limit(std::chrono::milliseconds wanted)
{
    return stalled ? std::chrono::milliseconds(1s) : wanted;
}

WaitResult waitFor(const std::function<bool()>& condition, std::chrono::milliseconds wanted)
{
    const WaitResult result = waitUntil(condition, nullptr, limit(wanted));
    stalled = stalled || result != WaitResult::Met;
    return result;
}

// The pauses in nanoseconds that Corlift's time stamps show on `device`: from the end of each
// line's write to the next line, and after the last line to the end of the sending.
QList<qint64> pausesOn(const QString& errors, const QString& device)
{
    QList<qint64> stamps;
    for (const QString& stamp : errors.split(u'\n')) {
        const QStringList fields = stamp.split(u' ');
        if (fields.size() == 3 && fields[2].endsWith(u':' + device))
            stamps << fields[0].toLongLong();
    }
    // Each line's begin and end, and the sending's (which begins with the first line).
    std::sort(stamps.begin(), stamps.end());
    QList<qint64> pauses;
    for (qsizetype at = 3; at < stamps.size(); at += 2)
        pauses << stamps[at] - stamps[at - 1];
    return pauses;
}

QString program(const char* name)
{
    return QDir(QStringLiteral(PROGRAM_DIR)).filePath(QLatin1String(name));
}

// ampsim started with `arguments`; the devices it printed, one per unit.
struct Sim
{
    QProcess process;
    QStringList devices;

    Sim(const QStringList& arguments, int count)
    {
        process.start(program("ampsim"), arguments);
        while (devices.size() < count && process.waitForReadyRead(3000)) {
            while (process.canReadLine())
                devices << QString::fromLocal8Bit(process.readLine()).trimmed();
        }
    }
    ~Sim()
    {
        process.kill();
        process.waitForFinished(2000);
    }
};

// A program run to its end, or until the test stops it; its JSON lines parsed as they come.
struct Run
{
    QProcess process;
    QList<QJsonObject> lines;
    QByteArray output;
    QString errors;

    Run(const char* name, const QStringList& arguments)
    {
        QObject::connect(&process, &QProcess::readyReadStandardOutput, [this] {
            while (process.canReadLine()) {
                const QByteArray text = process.readLine();
                output += text;
                const QJsonDocument line = QJsonDocument::fromJson(text);
                if (line.isObject())
                    lines << line.object();
            }
        });
        process.start(program(name), arguments);
    }
    int finish()
    {
        const bool ended =
            process.state() == QProcess::NotRunning || process.waitForFinished(int(limit(10s).count()));
        stalled = stalled || !ended;
        errors += QString::fromLocal8Bit(process.readAllStandardError());
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void interrupt(int signal = SIGINT) { ::kill(static_cast<pid_t>(process.processId()), signal); }
    // The last object about `port` that has `key`.
    QJsonObject last(const QString& port, const char* key = "stage") const
    {
        for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
            if (it->value("port").toString() == port && it->contains(QLatin1String(key)))
                return *it;
        }
        return {};
    }
    int count(const QString& port, const char* outcome) const
    {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QJsonObject& o) {
            return o.value("port").toString() == port && o.value("stage") == "done" &&
                   o.value("outcome") == QLatin1String(outcome);
        }));
    }
};

} // namespace

// Tevlin and Corlift driven from a script, against ampsim as products and amplifiers.
class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Three products at once: two take the file, the third is another product and rejects it;
    // the others are not held up, and the exit code says that not all succeeded.
    void flashesSeveralProductsAtOnce()
    {
        const Watchdog watchdog(20s);
        Sim sim({"--boot", "kma840", "--boot", "rx900", "--boot", "kma840"}, 3);
        QCOMPARE(sim.devices.size(), 3);
        QElapsedTimer clock;
        clock.start();
        qputenv("KORVANES_TIMESTAMPS", "1");
        Run corlift("corlift", flashArguments(sim.devices, 20));
        qunsetenv("KORVANES_TIMESTAMPS");
        QCOMPARE(corlift.finish(), 1);
        // Corlift's own stamps, per port: no pause under Delay, from the end of one line's write to
        // the next, nor after the last line before the sending ends.
        for (const int i : {0, 2}) {
            const QList<qint64> pauses = pausesOn(corlift.errors, sim.devices[i]);
            QCOMPARE(pauses.size(), 22);
            QVERIFY2(std::ranges::min(pauses) >= 150'000'000,
                     qPrintable(QString::number(std::ranges::min(pauses))));
        }
        // Side by side: one after the other, the two products of 22 lines at 150 ms would take 6.6 s.
        QVERIFY2(clock.elapsed() < 6000, qPrintable(QString::number(clock.elapsed())));
        const QStringList outcomes = {"success", "rejected", "success"};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject end = corlift.last(sim.devices[i], "flashed");
            QCOMPARE(end.value("stage").toString(), "finished");
            QCOMPARE(end.value("outcome").toString(), outcomes[i]);
            QCOMPARE(end.value("total").toInt(), 22);
            QCOMPARE(end.value("flashed").toInt(), i == 1 ? 0 : 1);
        }
        QCOMPARE(ini("Status"), QStringLiteral("Succes"));
        QCOMPARE(ini("File name"), m_dir->filePath("fw.s19"));
    }

    // A record that waits (another program holds setup.ini's lock) holds up no other port: the
    // product that went away is recorded, or said not to be, while the other's lines go out on time.
    void recordThatWaitsHoldsUpNoPort()
    {
        const Watchdog watchdog(20s);
        Sim gone({"--boot", "kma840", "--hangup-at", "3"}, 1);
        Sim staying({"--boot", "kma840"}, 1);
        QLockFile held(m_dir->filePath("setup.ini.lock"));
        QVERIFY(held.lock());
        qputenv("KORVANES_TIMESTAMPS", "1");
        Run corlift("corlift", flashArguments({gone.devices.value(0), staying.devices.value(0)}, 12));
        qunsetenv("KORVANES_TIMESTAMPS");
        QCOMPARE(corlift.finish(), 1);
        // The first record waits a second for the lock, while the other port sends lines 4 to 10.
        const QList<qint64> pauses = pausesOn(corlift.errors, staying.devices.value(0));
        QCOMPARE(pauses.size(), 14);
        QVERIFY2(std::ranges::max(pauses) < 400'000'000,
                 qPrintable(QString::number(std::ranges::max(pauses))));
        for (const auto& [sim, outcome] : {std::pair{&gone, "failed"}, std::pair{&staying, "success"}}) {
            const QJsonObject done = corlift.last(sim->devices.value(0), "record");
            QCOMPARE(done.value("outcome").toString(), outcome);
            QVERIFY2(done.value("record").toString().contains("is locked by"),
                     qPrintable(done.value("record").toString()));
        }
    }

    // A bench flashing unit after unit on one port until Ctrl+C.
    void loopsOverUnitsOnOnePort()
    {
        const Watchdog watchdog(20s);
        Sim sim({"--boot", "kma840"}, 1);
        Run corlift("corlift", flashArguments(sim.devices) << "--loop");
        const QString port = sim.devices.value(0);
        QCOMPARE(waitFor([&] { return corlift.count(port, "success") >= 2; }, 15s), WaitResult::Met);
        corlift.interrupt();
        QCOMPARE(corlift.finish(), 0);
        const QJsonObject end = corlift.last(port, "flashed");
        QCOMPARE(end.value("flashed").toInt(), 2);
        QCOMPARE(end.value("failed").toInt(), 0);
        QCOMPARE(end.value("unit").toInt(), 3);
        QCOMPARE(end.value("outcome").toString(), "stopped");
    }

    // Ctrl+C, or the terminal closed, in the middle of the lines: the upload stops, is recorded, and
    // the exit code says so.
    void interruptedUploadIsRecordedCancelled_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << int(SIGINT);
        QTest::newRow("terminal closed") << int(SIGHUP);
    }
    void interruptedUploadIsRecordedCancelled()
    {
        QFETCH(int, signal);
        const Watchdog watchdog(20s);
        Sim sim({"--boot", "kma840"}, 1);
        Run corlift("corlift", flashArguments(sim.devices, 40));
        const QString port = sim.devices.value(0);
        QCOMPARE(waitFor([&] { return corlift.last(port).value("line").toInt() >= 3; }, 10s),
                 WaitResult::Met);
        corlift.interrupt(signal);
        QCOMPARE(corlift.finish(), 130);
        QCOMPARE(corlift.last(port, "flashed").value("outcome").toString(), "cancelled");
        QVERIFY(corlift.last(port).value("line").toInt() < 42);
        QCOMPARE(ini("Status"), QStringLiteral("Cancelled"));
    }

    // The file rewritten in place during the upload: the boot loader gets exactly the bytes checked;
    // the next unit of the loop checks the file again and, no firmware now, sends nothing.
    void sendsTheBytesChecked()
    {
        const Watchdog watchdog(25s);
        const QString wire = m_dir->filePath("wire.log");
        Sim sim({"--boot", "kma840", "--log", wire}, 1);
        const QStringList arguments = flashArguments(sim.devices) << "--loop";
        // Larger than a file's read buffer, or a reader that went back to the disk would not see it.
        QVERIFY(srec::writeFile(m_dir->filePath("fw.s19"), srec::firmware(Kma840Header, 36, 250)));
        Run corlift("corlift", arguments);
        const QString port = sim.devices.value(0);
        QFile file(m_dir->filePath("fw.s19"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray checked = file.readAll();
        QCOMPARE(waitFor([&] { return corlift.last(port).value("line").toInt() >= 3; }, 10s),
                 WaitResult::Met);
        QVERIFY(file.resize(0) && file.write("S0 no more\r\n") > 0 && file.flush());
        QCOMPARE(corlift.finish(), 1);
        QCOMPARE(corlift.count(port, "success"), 1);
        QCOMPARE(corlift.last(port, "flashed").value("outcome").toString(), "file-error");
        QVERIFY2(corlift.errors.contains("fw.s19 changed since it was checked"), qPrintable(corlift.errors));
        QFile received(wire);
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), checked);
    }

    // A boot loader that says "Boot OK ..." and never confirms: not flashed.
    void announcementWithOkIsNoConfirmation()
    {
        const Watchdog watchdog(20s);
        Sim sim({"--boot", "kma840", "--announce-ok", "--no-answer"}, 1);
        Run corlift("corlift", flashArguments(sim.devices, 2));
        QCOMPARE(corlift.finish(), 1);
        QCOMPARE(corlift.last(sim.devices.value(0), "flashed").value("outcome").toString(), "failed");
        QCOMPARE(ini("Status"), QStringLiteral("Failed"));
    }

    // The reader of --json goes away after one line: the upload goes on to its end, is recorded, and
    // the exit code is the upload's.
    void closedOutputKeepsFlashing()
    {
        const Watchdog watchdog(20s);
        Sim sim({"--boot", "kma840"}, 1);
        Run corlift("/bin/bash",
                    QStringList{"-c", "\"$0\" \"$@\" | head -n 1 >/dev/null; exit ${PIPESTATUS[0]}",
                                program("corlift")}
                        << flashArguments(sim.devices, 10));
        QCOMPARE(corlift.finish(), 0);
        QCOMPARE(ini("Status"), QStringLiteral("Succes"));
    }

    // setup.ini cannot take the record: the product is flashed, but the run says why the record is
    // missing and ends with 1.
    void recordNotWrittenFails_data()
    {
        QTest::addColumn<bool>("directory"); // setup.ini is a directory; else larger than 4 MiB
        QTest::addColumn<QString>("why");
        QTest::newRow("setup.ini a directory") << true << "setup.ini is not a file";
        QTest::newRow("setup.ini too large") << false << "setup.ini is larger than 4 MiB";
    }
    void recordNotWrittenFails()
    {
        QFETCH(bool, directory);
        QFETCH(QString, why);
        const Watchdog watchdog(20s);
        const QString setupIni = m_dir->filePath("setup.ini");
        QFile large(setupIni);
        QVERIFY(directory ? QDir().mkdir(setupIni)
                          : large.open(QIODevice::WriteOnly) && large.resize(4 * 1024 * 1024 + 1));
        Sim sim({"--boot", "kma840"}, 1);
        Run corlift("corlift", flashArguments(sim.devices, 2));
        QCOMPARE(corlift.finish(), 1);
        const QJsonObject done = corlift.last(sim.devices.value(0), "record");
        QCOMPARE(done.value("outcome").toString(), "success");
        QVERIFY2(done.value("record").toString().contains(why), qPrintable(done.value("record").toString()));
        QVERIFY2(corlift.errors.contains("the record of this upload was not written: " + m_dir->path()) &&
                     corlift.errors.contains(why),
                 qPrintable(corlift.errors));
    }

    // --help lists every option, and like every run without a window needs no display.
    void helpListsEveryOption_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("options");
        QTest::newRow("corlift") << "corlift"
                                 << QStringList{"--settings-dir", "--check",        "--flash", "--port",
                                                "--delay",        "--boot-timeout", "--json",  "--loop",
                                                "--version",      "--send-damaged"};
        QTest::newRow("tevlin") << "tevlin" << QStringList{"--settings-dir", "--status",  "--set",   "--scan",
                                                           "--port",         "--address", "--speed", "--from",
                                                           "--to",           "--timeout", "--json"};
    }
    void helpListsEveryOption()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, options);
        QProcess run;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("DISPLAY");
        run.setProcessEnvironment(environment);
        run.start(program(qPrintable(name)), {"--help"});
        QVERIFY(run.waitForFinished(5000));
        QCOMPARE(run.exitCode(), 0);
        const QString help = QString::fromLocal8Bit(run.readAllStandardOutput());
        for (const QString& option : options)
            QVERIFY2(help.contains("  " + option) || help.contains(", " + option), qPrintable(option));
    }

    // Each exit code of the three programs from a real run ("<sim>": an amplifier at address 2, or a
    // product's boot loader, "<sim//>" the same device under another name; "<fw>": a firmware file for
    // it; "<pinned>": setup.ini pins COM5 to the amplifier and holds its address), and the start of
    // what it said. The other codes of Tevlin's runs are in tevlin(), Corlift's interrupted run in
    // interruptedUploadIsRecordedCancelled().
    void exitCodes_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        const QStringList status{"--status", "--address", "2", "--port"};
        const auto row = [](const char* tag, const char* program, const QStringList& arguments, int code,
                            const char* said) { QTest::newRow(tag) << program << arguments << code << said; };
        row("tevlin, done", "tevlin", status + QStringList{"<sim>"}, 0, "Address: 2");
        row("tevlin, the address of setup.ini", "tevlin", {"<pinned>", "--status", "--port", "COM5"}, 0,
            "Address: 2");
        row("tevlin, no answer", "tevlin",
            {"--status", "--address", "5", "--timeout", "300", "--port", "<sim>"}, 1,
            "tevlin: no amplifier acknowledged at address 5");
        row("tevlin, wrong option", "tevlin", {"--status", "--colour"}, 2, "tevlin: Unknown option 'colour'");
        row("tevlin, missing value", "tevlin", {"--status", "--port"}, 2, "tevlin: Missing value after");
        row("tevlin, wrong value", "tevlin", {"--status", "--address", "x", "--port", "<sim>"}, 2,
            "tevlin: --address takes");
        row("tevlin, stray argument", "tevlin", status + QStringList{"<sim>", "junk"}, 2,
            "tevlin: junk: unexpected argument");
        row("tevlin, bare argument", "tevlin", {"junk"}, 2, "tevlin: junk: unexpected argument");
        row("tevlin, no address anywhere", "tevlin", {"--status", "--port", "<sim>"}, 2,
            "tevlin: give --address: ");
        row("tevlin, no such port", "tevlin", status + QStringList{"/dev/nothing"}, 3,
            "tevlin: /dev/nothing: Comm Port not available! (no such device)");
        row("tevlin, not a serial device", "tevlin", status + QStringList{"/dev/null"}, 3,
            "tevlin: /dev/null: Unknown Comm port problem - Error 8107 (not a serial device)");
        row("tevlin, malformed network port", "tevlin", status + QStringList{"rfc2217://127.0.0.1"}, 2,
            "tevlin: rfc2217://127.0.0.1");
        row("tevlin, network port refused", "tevlin", status + QStringList{"tcp://127.0.0.1:1"}, 3,
            "tevlin: tcp://127.0.0.1:1: Comm Port not available! (127.0.0.1 refused");
        row("corlift, flashed", "corlift", {"--flash", "<fw>", "--port", "<sim>", "--delay", "150"}, 0, "");
        row("corlift, file passes", "corlift", {"--check", "<fw>"}, 0, "");
        row("corlift, file fails", "corlift", {"--check", "<fw>.none"}, 1, "");
        row("corlift, wrong option", "corlift", {"--flash", "<fw>", "--colour"}, 2,
            "corlift: Unknown option");
        row("corlift, wrong value", "corlift", {"--check", "<fw>", "--loop"}, 2, "corlift: --loop goes with");
        row("corlift, two files to check", "corlift", {"--check", "<fw>", "<fw>"}, 2,
            "corlift: <fw>: unexpected");
        row("corlift, one device twice", "corlift",
            {"--flash", "<fw>", "--port", "<sim>", "--port", "<sim//>"}, 2,
            "corlift: <sim> and <sim//> are the same device");
        row("corlift, no such port", "corlift", {"--flash", "<fw>", "--port", "/dev/nothing"}, 3, "");
        row("corlift, port without a device", "corlift", {"--flash", "<fw>", "--port", "COM16"}, 3,
            "corlift: COM16 ");
        row("ampsim, version", "ampsim", {"--version"}, 0, "ampsim 1.");
        row("ampsim, wrong option", "ampsim", {"--model", "vx900", "--colour"}, 2, "ampsim: Unknown option");
        row("ampsim, stray argument", "ampsim", {"--model", "vx900", "junk"}, 2, "ampsim: junk: unexpected");
    }
    void exitCodes()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        const Watchdog watchdog(15s);
        Sim sim(program == "corlift" ? QStringList{"--boot", "kma840"} : QStringList{"--model", "vx900@2"},
                1);
        const QString device = sim.devices.value(0);
        const QString firmware = flashArguments({}, 1).value(1);
        if (arguments.removeAll("<pinned>"))
            QVERIFY(pinInSetupIni(m_dir->filePath("setup.ini"), 5, device, 2));
        if (program != "ampsim")
            arguments = QStringList{"--settings-dir", m_dir->path()} + arguments;
        const auto filled = [&](QString text) {
            return text.replace("<sim//>", QString(device).replace("/pts/", "/pts//"))
                .replace("<sim>", device)
                .replace("<fw>", firmware);
        };
        for (QString& argument : arguments)
            argument = filled(argument);
        Run run(qPrintable(program), arguments);
        QCOMPARE(run.finish(), exitCode);
        const QString output = QString::fromLocal8Bit(run.output) + run.errors;
        QVERIFY2(output.startsWith(filled(said)), qPrintable(output));
    }

    // A pause asked for below the floor is taken as 150 ms: the boot loader receives the lines no
    // faster.
    void pauseBelowTheFloorIsRaised()
    {
        const Watchdog watchdog(15s);
        Pty pty;
        BootLoaderOptions options;
        options.product = "kma840";
        BootLoader product(pty, options);
        QList<qint64> received;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&product, &BootLoader::lineReceived, [&] { received << clock.elapsed(); });
        QStringList arguments = flashArguments({pty.devicePath()}, 3);
        arguments[arguments.indexOf("--delay") + 1] = "100";
        Run corlift("corlift", arguments);
        QCOMPARE(waitFor([&] { return corlift.process.state() == QProcess::NotRunning; }, 10s),
                 WaitResult::Met);
        QCOMPARE(corlift.finish(), 0);
        QVERIFY2(corlift.errors.contains("--delay 100: the minimum is 150 ms"), qPrintable(corlift.errors));
        QCOMPARE(received.size(), 5);
        for (qsizetype i = 1; i < received.size(); ++i)
            QVERIFY2(received[i] - received[i - 1] >= 145,
                     qPrintable(QString::number(received[i] - received[i - 1])));
    }

    // A file with a damaged record: --check names the line and fails, --flash sends nothing unless told
    // to; a run into a log prints the percentage and the time as it goes.
    void damagedRecordIsSentOnlyWhenAsked_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("linesSent");
        QTest::addColumn<QString>("said"); // on standard error | on standard output
        QTest::newRow("check") << "--check" << 1 << 0 << "fw.s19, line 3: checksum|";
        QTest::newRow("flash") << "--flash" << 1 << 0
                               << "nothing is sent (--send-damaged sends the file as it is)|";
        QTest::newRow("flash, send damaged")
            << "--send-damaged" << 0 << 5 << "line 3: checksum|done, success  100%  line 5/5";
    }
    void damagedRecordIsSentOnlyWhenAsked()
    {
        QFETCH(QString, mode);
        QFETCH(int, exitCode);
        QFETCH(int, linesSent);
        QFETCH(QString, said);
        const Watchdog watchdog(15s);
        Pty pty;
        BootLoaderOptions options;
        options.product = "kma840";
        BootLoader product(pty, options);
        QStringList arguments = flashArguments({pty.devicePath()}, 3);
        arguments.removeOne("--json");
        QFile file(arguments[1]);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QList<QByteArray> lines = file.readAll().split('\n');
        QByteArray& damaged = lines[2];
        damaged[damaged.size() - 2] = damaged[damaged.size() - 2] == '0' ? '1' : '0';
        QVERIFY(file.seek(0) && file.write(lines.join('\n')) > 0 && file.flush());
        if (mode == "--check")
            arguments = QStringList{"--check", arguments[1]};
        else if (mode == "--send-damaged")
            arguments << mode;
        Run corlift("corlift", arguments);
        QCOMPARE(waitFor([&] { return corlift.process.state() == QProcess::NotRunning; }, 10s),
                 WaitResult::Met);
        QCOMPARE(corlift.finish(), exitCode);
        QCOMPARE(product.lines().size(), linesSent);
        QVERIFY2(corlift.errors.contains(said.section(u'|', 0, 0)), qPrintable(corlift.errors));
        QVERIFY2(corlift.output.contains(said.section(u'|', 1).toUtf8()), corlift.output.constData());
    }

    // Tevlin's runs, each against a fresh line of amplifiers: the exit code and what it printed.
    void tevlin_data()
    {
        QTest::addColumn<QStringList>("line");      // ampsim's options
        QTest::addColumn<QStringList>("arguments"); // besides --port and --json
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed"); // JSON lines joined by " | ", keys as listed in `keys`
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("said"); // on standard error
        const QStringList amps{"--model", "vx900@2", "--model", "rx900@3"};
        QTest::newRow("scan finds two of three")
            << amps << QStringList{"--scan", "--from", "1", "--to", "3"} << 0 << "2 VX 900 32 | 3 RX 900 12"
            << QStringList{"address", "model", "version"} << QString("");
        QTest::newRow("status") << amps << QStringList{"--status", "--address", "3"} << 0
                                << "3 RX 900 true 45" << QStringList{"address", "model", "power", "volume"}
                                << QString("");
        QTest::newRow("no amplifier at the address")
            << amps << QStringList{"--status", "--address", "5", "--timeout", "300"} << 1 << ""
            << QStringList{} << QString("no amplifier acknowledged at address 5");
        // The status read after the corrections confirms them.
        QTest::newRow("set, confirmed")
            << amps
            << QStringList{"--set", "volume=45.5", "--set", "input=D2", "--set", "mute=on", "--address", "2"}
            << 0 << "45.5 D2 true" << QStringList{"volume", "input", "mute"} << QString("");
        // Each value asked for is compared with the status read after the writes (a VX900 is at 55.0).
        QTest::newRow("set, volume in standby")
            << amps << QStringList{"--set", "power=standby", "--set", "volume=30", "--address", "2"} << 1
            << "false 55" << QStringList{"power", "volume"}
            << QString("volume=30 was not applied: asked 30.0, got 55.0: the amplifier is in standby");
        QTest::newRow("set, unacknowledged")
            << QStringList{"--model", "vx900@2", "--no-reply", "--fault-code", "70"}
            << QStringList{"--set", "volume=30", "--address", "2", "--timeout", "500"} << 1 << ""
            << QStringList{} << QString("did not acknowledge a setting");
        // A damaged status reply is neither printed nor acted on ("<log>": ampsim's request log).
        const QStringList damaged{"--model", "vx900@2", "--fault-code", "C8", "--log", "<log>"};
        const QString notUsed = "was damaged (wrong length or checksum); nothing of it was used";
        QTest::newRow("status, checksum damaged")
            << damaged + QStringList{"--bad-checksum"} << QStringList{"--status", "--address", "2"} << 1 << ""
            << QStringList{} << notUsed;
        QTest::newRow("status, length byte damaged")
            << damaged + QStringList{"--length-byte", "24"} << QStringList{"--status", "--address", "2"} << 1
            << "" << QStringList{} << notUsed;
        QTest::newRow("set, the reply after the corrections damaged")
            << damaged + QStringList{"--bad-checksum", "--fault-after", "1"}
            << QStringList{"--set", "volume=30", "--address", "2"} << 1 << "" << QStringList{} << notUsed;
        QTest::newRow("scan, damaged status reply")
            << damaged + QStringList{"--bad-checksum"} << QStringList{"--scan", "--from", "2", "--to", "2"}
            << 0 << "2  true" << QStringList{"address", "model", "damaged"} << QString("");
    }
    void tevlin()
    {
        QFETCH(QStringList, line);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QFETCH(QStringList, keys);
        QFETCH(QString, said);
        const Watchdog watchdog(15s);
        const QString log = m_dir->filePath("requests.log");
        Sim sim(line.replaceInStrings("<log>", log), 1);
        Run tevlin("tevlin", arguments << "--port" << sim.devices.value(0) << "--json"
                                       << "--settings-dir" << m_dir->path());
        QCOMPARE(tevlin.finish(), exitCode);
        QStringList shown;
        for (const QJsonObject& object : tevlin.lines) {
            QStringList values;
            for (const QString& key : keys)
                values << object.value(key).toVariant().toString();
            shown << values.join(u' ');
        }
        QCOMPARE(shown.join(QStringLiteral(" | ")), printed);
        QCOMPARE(tevlin.output.isEmpty(), printed.isEmpty());
        // One type per field, whatever the amplifier reports: these true or false, these text, the
        // others numbers.
        const QStringList flags{"power", "mute", "ir", "damaged"},
            texts{"model", "input", "preset", "masterSlave"};
        for (const QJsonObject& object : tevlin.lines) {
            for (auto it = object.begin(); it != object.end(); ++it)
                QVERIFY2(it->type() == (flags.contains(it.key())   ? QJsonValue::Bool
                                        : texts.contains(it.key()) ? QJsonValue::String
                                                                   : QJsonValue::Double),
                         qPrintable(it.key()));
        }
        QVERIFY2(tevlin.errors.contains(said), qPrintable(tevlin.errors));
        if (line.contains(log)) {
            // Only the handshake and status requests went out: nothing was set after a damaged reply.
            QFile file(log);
            QVERIFY(file.open(QIODevice::ReadOnly));
            for (const QByteArray& request : file.readAll().split('\n'))
                QVERIFY2(request.isEmpty() || request.startsWith("05 02 00 01 ") ||
                             request.startsWith("05 02 00 C8 "),
                         request.constData());
        }
        if (QTest::currentDataTag() == QLatin1String("set, confirmed")) {
            // What the amplifier keeps, read again by another run.
            Run status("tevlin", {"--status", "--address", "2", "--port", sim.devices.value(0), "--json"});
            QCOMPARE(status.finish(), 0);
            QCOMPARE(status.lines.value(0).value("volume").toDouble(), 45.5);
        }
    }

    // A scan at 9600 baud with the default wait: every amplifier that answers within 50 ms is found,
    // one that answers later is not taken for a later address, and an address costs its wire time
    // and the wait. On a terminal, standard error shows the address being tried.
    void scan_data()
    {
        QTest::addColumn<QStringList>("line");      // ampsim's options
        QTest::addColumn<QStringList>("arguments"); // besides --scan, --port, --from, --to and --json
        QTest::addColumn<QString>("found");
        QTest::addColumn<int>("waitMs");
        const QStringList amps{"--model", "vx900@2", "--model", "rx900@3", "--model", "kma840@11"};
        const QStringList late{"--model", "vx900@2", "--delay", "150", "--fault-code", "01"};
        QTest::newRow("prompt") << amps << QStringList{} << "2 3 11" << 60;
        QTest::newRow("answering after 50 ms")
            << amps + QStringList{"--delay", "50"} << QStringList{} << "2 3 11" << 60;
        QTest::newRow("answering too late") << late << QStringList{} << "" << 60;
        QTest::newRow("a longer wait") << late << QStringList{"--timeout", "200"} << "2" << 200;
    }
    void scan()
    {
        QFETCH(QStringList, line);
        QFETCH(QStringList, arguments);
        QFETCH(QString, found);
        QFETCH(int, waitMs);
        const Watchdog watchdog(20s);
        constexpr int Last = 12;
        Sim sim(line, 1);
        Pty terminal;
        QByteArray shown;
        connect(&terminal, &Pty::received, this, [&shown](const QByteArray& bytes) { shown += bytes; });
        QProcess tevlin;
        tevlin.setStandardErrorFile(terminal.devicePath());
        QElapsedTimer clock;
        clock.start();
        tevlin.start(program("tevlin"), arguments << "--scan"
                                                  << "--from"
                                                  << "1"
                                                  << "--to" << QString::number(Last) << "--json"
                                                  << "--port" << sim.devices.value(0));
        QCOMPARE(waitFor([&] { return tevlin.state() == QProcess::NotRunning; }, 15s), WaitResult::Met);
        // 8 ms on the wire at 9600 baud and the wait per address; start-up and the found ones' polls.
        QVERIFY2(clock.elapsed() < Last * (waitMs + 8 + 5) + 2000,
                 qPrintable(QString::number(clock.elapsed())));
        QStringList addresses;
        for (const QByteArray& text : tevlin.readAllStandardOutput().split('\n')) {
            if (!text.isEmpty())
                addresses << QString::number(QJsonDocument::fromJson(text).object().value("address").toInt());
        }
        QCOMPARE(addresses.join(u' '), found);
        QCOMPARE(tevlin.exitCode(), found.isEmpty() ? 1 : 0);
        QTRY_VERIFY_WITH_TIMEOUT(shown.contains("Trying address 12 of 12"), 2000);
    }

private:
    QStringList flashArguments(const QStringList& devices, int dataLines = 5)
    {
        const QString file = m_dir->filePath("fw.s19");
        QProcess make;
        make.start(program("ampsim"),
                   {"--boot", "kma840", "--make-file", file, "--lines", QString::number(dataLines)});
        make.waitForFinished(5000);
        QStringList arguments{"--flash", file, "--json", "--delay", "150", "--settings-dir", m_dir->path()};
        for (const QString& device : devices)
            arguments << "--port" << device;
        return arguments;
    }
    QString ini(const char* key) const
    {
        return ReadIniValue(QStringLiteral("Corlifter"), QLatin1String(key), QString(),
                            m_dir->filePath("setup.ini"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
