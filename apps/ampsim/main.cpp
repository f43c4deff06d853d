#include "common/commandline.h"
#include "common/exitcode.h"
#include "sim/ampline.h"
#include "sim/ampmodel.h"
#include "sim/ampsim.h"
#include "sim/bootloader_cli.h"
#include "sim/pty.h"
#include "sim/setuppin.h"
#include "sim/simdriver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString Description = QStringLiteral(
    "Stands in for one Korvanes amplifier on a pseudo-terminal. The device path is printed as the\n"
    "first line of standard output; open it as a serial port (any speed, 8N1).\n"
    "\n"
    "The unit answers only requests addressed to it with a correct checksum and the command's\n"
    "length: the handshake (0x01) and every write whose command waits for it with 02 AA, the status\n"
    "request (0xC8) with 25 bytes (21 for generic21), and the configuration reads of its model:\n"
    "  kma840     0xC5 name, 0x39 input name, 0xCA levels, 0xCC settings\n"
    "  solstice   0xC5 name, 0xCE settings\n"
    "  rx900      0xC4 temperatures, 0xC5 name, 0xD2 settings, 0xD4 preset lock (3 bytes)\n"
    "  vx900(s)   0xC4, 0xC5, 0xD2, 0xD4 outputs (25 bytes), 0xDA inputs\n"
    "Writes and operating commands change its state, so the next read shows them. Every reply ends\n"
    "with a checksum. The unit starts at its factory settings, powered on at its start-up volume.\n"
    "'--model vx900 --firmware-version 10' plays an RX900 whose firmware 10 reports the VX900's model\n"
    "code.\n"
    "The program ends when it hangs up (--hangup-after) or is stopped.\n"
    "\n"
    "'ampsim --boot PRODUCT' plays a product's boot loader instead; 'ampsim --boot PRODUCT --help'\n"
    "lists its options (--no-announce, --ok-delay, --no-answer, --reject-at, --hangup-at,\n"
    "--reply-padding, --log, --link, --make-file, --lines, --setup-ini, --com).");

std::optional<int> intValue(const QString& text, int min, int max, int base = 10)
{
    bool ok = false;
    const int value = text.toInt(&ok, base);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// "\r", "\n", "\0", "\\" and "\xHH" in a command-line text become the bytes they stand for.
QByteArray unescaped(const QString& text)
{
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out += in[i];
            continue;
        }
        const char c = in[++i];
        if (c == 'x' && i + 2 < in.size()) {
            out += static_cast<char>(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
        }
    }
    return out;
}

int fail(const QString& message)
{
    return common::usageError("ampsim", message);
}

int runAmplifier(QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption model(
        QStringLiteral("model"),
        QStringLiteral("Model to play: %1 (required). Repeat it as NAME@ADDRESS for several units on one "
                       "line (--model vx900@1 --model rx900@7).")
            .arg(ampModelNames().join(QStringLiteral(", "))),
        QStringLiteral("name"));
    const QCommandLineOption address(
        QStringLiteral("address"),
        QStringLiteral("Network address 0..65535 the unit answers to (default 1)."), QStringLiteral("n"),
        QStringLiteral("1"));
    // Not "--version", which programs keep for their own version.
    const QCommandLineOption version(
        QStringLiteral("firmware-version"),
        QStringLiteral("Firmware version 0..65535 to report (default per model: "
                       "kma840 18, solstice 35, rx900 12, vx900 32, vx900s 41)."),
        QStringLiteral("n"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Write every request received to FILE, one line of hex bytes "
                                                "each (\"05 01 00 C8 CE\"), the ignored ones included."),
                                 QStringLiteral("file"));
    const QCommandLineOption noReply(QStringLiteral("no-reply"),
                                     QStringLiteral("Fault: take and log requests but never answer."));
    const QCommandLineOption delay(QStringLiteral("delay"),
                                   QStringLiteral("Fault: wait MS milliseconds before each reply."),
                                   QStringLiteral("ms"));
    const QCommandLineOption chunk(QStringLiteral("chunk"),
                                   QStringLiteral("Fault: send each reply in pieces of N bytes."),
                                   QStringLiteral("n"));
    const QCommandLineOption chunkGap(
        QStringLiteral("chunk-gap"),
        QStringLiteral("Milliseconds between the pieces of --chunk (default 20)."), QStringLiteral("ms"),
        QStringLiteral("20"));
    const QCommandLineOption wrongByte(
        QStringLiteral("wrong-byte"), QStringLiteral("Fault: invert the reply byte at 1-based position POS."),
        QStringLiteral("pos"));
    const QCommandLineOption badChecksum(
        QStringLiteral("bad-checksum"),
        QStringLiteral("Fault: invert each reply's last byte, its checksum."));
    const QCommandLineOption lengthByte(
        QStringLiteral("length-byte"),
        QStringLiteral("Fault: give each reply the length byte N, with a checksum that matches it, so that "
                       "only the length is wrong."),
        QStringLiteral("n"));
    const QCommandLineOption extra(QStringLiteral("extra"),
                                   QStringLiteral("Fault: append N bytes 0xEE to each reply."),
                                   QStringLiteral("n"));
    const QCommandLineOption noise(
        QStringLiteral("noise"), QStringLiteral("Fault: line noise, N random bytes 50 ms after each reply."),
        QStringLiteral("n"));
    const QCommandLineOption hangUp(
        QStringLiteral("hangup-after"),
        QStringLiteral("Fault: hang up the line and exit after answering N requests."), QStringLiteral("n"));
    const QCommandLineOption faultCode(
        QStringLiteral("fault-code"),
        QStringLiteral("Apply --no-reply, --delay, --chunk, --wrong-byte, --bad-checksum, --length-byte, "
                       "--extra and --noise only to requests with this command code (hex, e.g. C8)."),
        QStringLiteral("hex"));
    const QCommandLineOption faultAfter(
        QStringLiteral("fault-after"),
        QStringLiteral("Answer the first N requests those faults would apply to without them."),
        QStringLiteral("n"));
    const QCommandLineOption faultTimes(
        QStringLiteral("fault-times"),
        QStringLiteral("Apply those faults to N requests only (after those of --fault-after; default: all)."),
        QStringLiteral("n"));
    const QCommandLineOption name(
        QStringLiteral("name"),
        QStringLiteral("The name the unit reports (20 characters; \\r, \\n, \\0, \\\\ "
                       "and \\xHH stand for those bytes)."),
        QStringLiteral("text"));
    const QCommandLineOption reportSpeed(
        QStringLiteral("report-speed"),
        QStringLiteral("Print \"speed N\" on standard output when bytes arrive at a line speed other than "
                       "the last one printed (the first time too)."));
    const QCommandLineOption setupIni = setupIniOption();
    const QCommandLineOption com = comOption();
    parser.addOptions({model,     address,    version,     log,        noReply,  delay, chunk,
                       chunkGap,  wrongByte,  badChecksum, lengthByte, extra,    noise, hangUp,
                       faultCode, faultAfter, faultTimes,  name,       setupIni, com,   reportSpeed});
    if (!common::processOptions(parser, "ampsim"))
        return common::ExitUsage;

    const auto unitAddress = intValue(parser.value(address), 0, 0xFFFF);
    if (!unitAddress)
        return fail(QStringLiteral("--address must be a number 0..65535"));
    const auto units = ampsOnLine(parser.values(model), *unitAddress);
    if (const QString* problem = std::get_if<QString>(&units))
        return fail(*problem);
    std::optional<int> unitVersion;
    if (parser.isSet(version) && !(unitVersion = intValue(parser.value(version), 0, 0xFFFF)))
        return fail(QStringLiteral("--firmware-version must be a number 0..65535"));

    SimFaults faults;
    faults.noReply = parser.isSet(noReply);
    faults.badChecksum = parser.isSet(badChecksum);
    const auto number = [&parser](const QCommandLineOption& option, int min, int max, int& target) {
        if (!parser.isSet(option))
            return true;
        const auto value = intValue(parser.value(option), min, max);
        if (value)
            target = *value;
        return value.has_value();
    };
    int delayMs = 0;
    int gapMs = 20;
    if (!number(delay, 0, 600000, delayMs) || !number(chunk, 1, 255, faults.chunkSize) ||
        !number(chunkGap, 0, 60000, gapMs) || !number(wrongByte, 1, 255, faults.wrongBytePos) ||
        !number(lengthByte, 0, 255, faults.lengthByte) || !number(extra, 1, 255, faults.extraBytes) ||
        !number(noise, 1, 255, faults.noiseBytes) || !number(hangUp, 1, 1000000, faults.hangUpAfter) ||
        !number(faultAfter, 0, 1000000, faults.skip) || !number(faultTimes, 1, 1000000, faults.times))
        return fail(QStringLiteral("a fault option has a value out of range; see --help"));
    if (parser.isSet(faultCode)) {
        QString text = parser.value(faultCode);
        if (text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
            text = text.mid(2);
        const auto value = intValue(text, 0, 255, 16);
        if (!value)
            return fail(QStringLiteral("--fault-code must be a byte in hex, e.g. C8"));
        faults.onlyCode = *value;
    }
    const auto comPort = intValue(parser.value(com), 1, 16);
    if (!comPort)
        return fail(QStringLiteral("--com must be a number 1..16"));
    faults.delay = std::chrono::milliseconds(delayMs);
    faults.chunkGap = std::chrono::milliseconds(gapMs);

    Pty pty;
    if (!pty.isOpen()) {
        QTextStream(stderr) << "ampsim: cannot open a pseudo-terminal: " << pty.errorString() << '\n';
        return common::ExitFailed;
    }
    std::vector<std::unique_ptr<AmpSim>> sims;
    QList<AmpSim*> line;
    for (const AmpOnLine& unit : std::get<QList<AmpOnLine>>(units)) {
        sims.push_back(std::make_unique<AmpSim>(unit.model, unit.address, unitVersion));
        if (parser.isSet(name))
            sims.back()->state().name = paddedText(unescaped(parser.value(name)), AmpState::NameLength);
        line.append(sims.back().get());
    }
    SimDriver driver(line, pty, faults);
    if (parser.isSet(log) && !driver.setLogFile(parser.value(log))) {
        QTextStream(stderr) << "ampsim: cannot write " << parser.value(log) << '\n';
        return common::ExitFailed;
    }
    if (parser.isSet(setupIni) &&
        !pinInSetupIni(parser.value(setupIni), *comPort, pty.devicePath(), line.front()->state().address)) {
        QTextStream(stderr) << "ampsim: cannot write " << parser.value(setupIni) << '\n';
        return common::ExitFailed;
    }
    QObject::connect(&driver, &SimDriver::hungUp, &app, [] { QCoreApplication::exit(0); });
    qint32 speedShown = 0;
    if (parser.isSet(reportSpeed)) {
        QObject::connect(&pty, &Pty::received, &app, [&pty, &speedShown] {
            if (const qint32 speed = pty.lineSpeed(); speed != speedShown) {
                speedShown = speed;
                std::fprintf(stdout, "speed %d\n", speed);
                std::fflush(stdout);
            }
        });
    }

    // Whoever starts us reads this line to find the device; it must not wait in a buffer.
    std::fputs(qPrintable(pty.devicePath() + u'\n'), stdout);
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ampsim"));
    // The simulator comes with the programs: its version is the package's.
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVANES_VERSION));
    const QStringList args = app.arguments();
    for (const QString& arg : args) {
        if (arg == QLatin1String("--boot") || arg.startsWith(QLatin1String("--boot=")))
            return runBootLoaderCli(args.mid(1));
    }
    return runAmplifier(app);
}
