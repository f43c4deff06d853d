#include "loader/corliftcommand.h"

#include "common/commandline.h"
#include "common/interruptnotifier.h"
#include "loader/firmwarefile.h"
#include "loader/flashreport.h"
#include "loader/portflash.h"
#include "serial/portmap.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <cstdio>
#include <limits>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace corlift {
namespace {

const QString Check = QStringLiteral("check");
const QString Flash = QStringLiteral("flash");
const QString Port = QStringLiteral("port");
const QString Delay = QStringLiteral("delay");
const QString BootTimeout = QStringLiteral("boot-timeout");
const QString Json = QStringLiteral("json");
const QString Loop = QStringLiteral("loop");
const QString SendDamaged = QStringLiteral("send-damaged");

const auto say = common::printLine;

std::optional<int> positiveNumber(const QString& text)
{
    return common::numberIn(text, 1, std::numeric_limits<int>::max());
}

QString bootModeLines(const loader::Product& product)
{
    QStringList lines{QStringLiteral("Bootmode:")};
    for (const char* line : product.bootModeLines)
        lines << QStringLiteral("  ") + QLatin1String(line);
    return lines.join(u'\n');
}

// Each damaged record on standard error, the first few of them, then how many more there are.
void sayDamage(const QString& path, const loader::RecordCheck& records)
{
    for (const loader::DamagedRecord& record : records.first)
        say(stderr, QStringLiteral("corlift: %1, %2").arg(path, loader::describe(record)));
    if (records.damaged > records.first.size())
        say(stderr, QStringLiteral("corlift: %1: %2 more damaged records")
                        .arg(path)
                        .arg(records.damaged - records.first.size()));
}

int runCheck(const QString& path)
{
    const loader::CheckResult result = loader::checkFirmwareFile(path);
    const bool valid = result.outcome == loader::CheckOutcome::Valid;
    if (!valid) {
        say(stderr, loader::checkStatusText(result));
        return common::ExitFailed;
    }
    // The product is known, but the file is not what its maker built: "ok" would mislead.
    if (result.records.damaged > 0) {
        sayDamage(path, result.records);
        say(stderr, QStringLiteral("corlift: %1: %2 of %3 lines damaged; --flash refuses the file")
                        .arg(path)
                        .arg(result.records.damaged)
                        .arg(result.lines));
        return common::ExitFailed;
    }
    say(stdout, loader::checkStatusText(result));
    say(stdout, QStringLiteral("Product: %1\nLines: %2\nData bytes: %3")
                    .arg(QLatin1String(result.product->name))
                    .arg(result.lines)
                    .arg(result.uploadTotal - loader::UploadTotalBase));
    say(stdout, bootModeLines(*result.product));
    return common::ExitSuccess;
}

// The ports of --port, each device once, or the exit code after saying what is wrong.
std::variant<QList<PortChoice>, int> choosePorts(const QStringList& texts, const QString& setupIniPath)
{
    const PortMap system = PortMap::fromSystem(setupIniPath);
    QList<PortChoice> ports;
    QHash<QString, QString> named; // device identity -> the port as given
    for (const QString& text : texts) {
        const auto choice = choosePort(text, system);
        if (const QString* problem = std::get_if<QString>(&choice)) {
            say(stderr, QStringLiteral("corlift: ") + *problem);
            return namesPort(text) ? common::ExitPortError : common::ExitUsage;
        }
        const PortChoice& port = std::get<PortChoice>(choice);
        const QString identity = deviceIdentity(port);
        if (const auto first = named.constFind(identity); first != named.constEnd()) {
            say(stderr, *first == text ? QStringLiteral("corlift: %1 is named twice").arg(text)
                                       : QStringLiteral("corlift: %1 and %2 are the same device (%3)")
                                             .arg(*first, text, identity));
            return common::ExitUsage;
        }
        named.insert(identity, text);
        ports << port;
    }
    return ports;
}

int runFlash(const CommandOptions& options, const QString& setupIniPath)
{
    // The ports first: a mistyped port is a usage error, and a port without a device comes before
    // a file that fails (the first of 3 and 1).
    const auto chosen = choosePorts(options.ports, setupIniPath);
    if (const int* code = std::get_if<int>(&chosen))
        return *code;
    const QList<PortChoice>& ports = std::get<QList<PortChoice>>(chosen);
    const loader::CheckResult result = loader::checkFirmwareFile(options.file);
    if (result.outcome != loader::CheckOutcome::Valid) {
        say(stderr, QStringLiteral("corlift: %1: %2").arg(options.file, loader::checkStatusText(result)));
        return common::ExitFailed;
    }
    if (result.records.damaged > 0) {
        sayDamage(options.file, result.records);
        if (!options.sendDamaged) {
            say(stderr,
                QStringLiteral("corlift: %1: nothing is sent (--send-damaged sends the file as it is)")
                    .arg(options.file));
            return common::ExitFailed;
        }
        say(stderr, QStringLiteral("corlift: %1: sent as it is, damaged records included (--send-damaged)")
                        .arg(options.file));
    }

    CorliftState checked;
    // The record names the file as the window reads it back, from any directory.
    checked.firmwarePath = QFileInfo(options.file).absoluteFilePath();
    takeCheck(checked, result);
    checked.delayMs = options.delayMs ? delayMsFrom(*options.delayMs) : storedDelayMs(setupIniPath);
    if (options.delayMs && checked.delayMs != *options.delayMs)
        say(stderr, QStringLiteral("corlift: --delay %1: the %2 is %3 ms; a pause of %3 ms per line instead")
                        .arg(*options.delayMs)
                        .arg(*options.delayMs < MinimumDelayMs ? QStringLiteral("minimum")
                                                               : QStringLiteral("maximum"))
                        .arg(checked.delayMs));

    const FlashReport::Style style = options.json                 ? FlashReport::Style::Json
                                     : common::isTerminal(stdout) ? FlashReport::Style::Bars
                                                                  : FlashReport::Style::Lines;
    // JSON keeps standard output to itself; the guide for the person at the bench goes beside it.
    std::FILE* guide = options.json ? stderr : stdout;
    say(guide, QStringLiteral("%1 (%2)").arg(loader::checkStatusText(result), options.file));
    say(guide, bootModeLines(*result.product));
    say(guide, options.loop ? QStringLiteral("Start each product in boot mode; Ctrl+C ends.")
                            : QStringLiteral("Start the product in boot mode."));

    PortFlash::Settings settings;
    settings.loop = options.loop;
    settings.bootTimeout = options.bootTimeout;
    settings.sendDamaged = options.sendDamaged;
    // Before the ports, so that it outlives them.
    QThreadPool records;
    records.setMaxThreadCount(1);
    QList<PortFlash*> flashes;
    std::vector<std::unique_ptr<PortFlash>> owned;
    for (const PortChoice& port : ports) {
        owned.push_back(std::make_unique<PortFlash>(port, checked, settings, setupIniPath, records));
        flashes << owned.back().get();
    }
#ifdef Q_OS_UNIX
    // A reader that goes away (`| head`) must not end the uploads half way: the products stay in boot
    // mode and nothing is recorded. Writes to it fail quietly instead.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    FlashReport report(style, stdout);
    report.watch(flashes);
    for (PortFlash* flash : flashes)
        QObject::connect(flash, &PortFlash::warning,
                         [](const QString& text) { say(stderr, QStringLiteral("corlift: ") + text); });

    QEventLoop loop;
    bool interrupted = false;
    const auto allFinished = [&] {
        return std::all_of(flashes.begin(), flashes.end(),
                           [](const PortFlash* f) { return f->stage() == PortFlash::Stage::Finished; });
    };
    for (PortFlash* flash : flashes) {
        QObject::connect(flash, &PortFlash::changed, &loop, [&] {
            if (allFinished())
                loop.quit();
        });
    }
    InterruptNotifier interrupts;
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &loop, [&] {
        interrupted = true;
        for (PortFlash* flash : flashes)
            flash->interrupt();
    });
    for (PortFlash* flash : flashes)
        flash->start();
    if (!allFinished())
        loop.exec();
    report.summary();

    const auto any = [&](auto predicate) { return std::any_of(flashes.begin(), flashes.end(), predicate); };
    if (interrupted && !options.loop && any([](const PortFlash* f) { return f->flashed() == 0; }))
        return common::ExitInterrupted;
    if (any([](const PortFlash* f) { return !f->portOpened(); }))
        return common::ExitPortError;
    if (any([](const PortFlash* f) {
            return f->failed() > 0 || (!f->flashed() && !f->failed()) || f->recordsLost() > 0;
        }))
        return common::ExitFailed;
    return common::ExitSuccess;
}

} // namespace

void addCommandLineOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {Check,
         QStringLiteral("Check FILE as the window does and every record (checksum, hex digits, length); "
                        "print the status "
                        "text, or each damaged line; exit 0 when it can be flashed."),
         QStringLiteral("FILE")},
        {Flash, QStringLiteral("Flash FILE without the window, on every --port at the same time."),
         QStringLiteral("FILE")},
        {Port,
         QStringLiteral("With --flash: a port, COM1..COM16, a device path such as /dev/ttyUSB0, or "
                        "rfc2217://HOST:PORT or tcp://HOST:PORT; repeat "
                        "it for several products."),
         QStringLiteral("PORT")},
        {Delay,
         QStringLiteral("With --flash: the pause after each line in ms (at least 150; default: Delay in "
                        "setup.ini, 350)."),
         QStringLiteral("MS")},
        {BootTimeout,
         QStringLiteral("With --flash: give up on a port whose boot loader has not announced itself "
                        "after S seconds (default: wait until Ctrl+C)."),
         QStringLiteral("S")},
        {Json, QStringLiteral("With --flash: print one JSON object per line (port, unit, stage, line, total, "
                              "outcome) instead of progress bars.")},
        {Loop,
         QStringLiteral("With --flash: after each product wait for the next one on the same port, until "
                        "Ctrl+C; a tally per port, a summary at the end.")},
        {SendDamaged,
         QStringLiteral("With --flash: send a file whose records are damaged (checksum, hex digits, length) "
                        "as it is; without it such a file is refused.")},
    });
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("Without --check or --flash: open the window with FILE chosen "
                       "and checked."),
        QStringLiteral("[FILE]"));
}

bool wantsCommandLine(const QStringList& arguments)
{
    return common::mentionsOption(arguments, {Check, Flash});
}

std::variant<CommandOptions, QString> readCommandOptions(const QCommandLineParser& parser)
{
    CommandOptions options;
    const bool check = parser.isSet(Check);
    const bool flash = parser.isSet(Flash);
    if (check && flash)
        return QStringLiteral("--check and --flash do not go together");
    if (!flash) {
        for (const QString& name : {Port, Delay, BootTimeout, Json, Loop, SendDamaged}) {
            if (parser.isSet(name))
                return QStringLiteral("--%1 goes with --flash").arg(name);
        }
    }
    if (check) {
        options.mode = CommandOptions::Mode::Check;
        options.file = parser.value(Check);
    } else if (flash) {
        options.mode = CommandOptions::Mode::Flash;
        options.file = parser.value(Flash);
        options.ports = parser.values(Port);
        if (options.ports.isEmpty())
            return QStringLiteral("--flash needs at least one --port");
        options.json = parser.isSet(Json);
        options.loop = parser.isSet(Loop);
        options.sendDamaged = parser.isSet(SendDamaged);
        if (parser.isSet(Delay)) {
            options.delayMs = positiveNumber(parser.value(Delay));
            if (!options.delayMs)
                return QStringLiteral("--delay takes a number of milliseconds");
        }
        if (parser.isSet(BootTimeout)) {
            const auto seconds = positiveNumber(parser.value(BootTimeout));
            if (!seconds)
                return QStringLiteral("--boot-timeout takes a number of seconds");
            options.bootTimeout = std::chrono::seconds(*seconds);
        }
    }
    if ((check || flash) && options.file.isEmpty())
        return QStringLiteral("name a firmware file");
    // One bare file is the window's, as a desktop passes it; anything else would go unnoticed.
    const QStringList bare = parser.positionalArguments();
    if (!check && !flash && bare.size() == 1)
        options.file = bare.front();
    else if (!bare.isEmpty())
        return check || flash ? QStringLiteral("%1: unexpected argument; --%2 takes one file")
                                    .arg(bare.constFirst(), check ? Check : Flash)
                              : QStringLiteral("%1: unexpected argument").arg(bare.at(1));
    return options;
}

int runCommandLine(const CommandOptions& options, const QString& setupIniPath)
{
    switch (options.mode) {
    case CommandOptions::Mode::Check:
        return runCheck(options.file);
    case CommandOptions::Mode::Flash:
        return runFlash(options, setupIniPath);
    case CommandOptions::Mode::Window:
        break;
    }
    return common::ExitUsage;
}

} // namespace corlift
