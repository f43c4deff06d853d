#include "control/tevlincommand.h"

#include "common/commandline.h"
#include "common/interruptnotifier.h"
#include "common/numbers.h"
#include "control/amplifierscan.h"
#include "control/linksession.h"
#include "control/operatingactions.h"
#include "control/showoperations.h"
#include "control/timedlink.h"
#include "protocol/framing.h"
#include "serial/comform.h"
#include "serial/portchoice.h"
#include "settings/inifilehandler.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <cstdio>
#include <map>

namespace control::cli {
namespace {

const QString Status = QStringLiteral("status");
const QString Set = QStringLiteral("set");
const QString Scan = QStringLiteral("scan");
const QString Port = QStringLiteral("port");
const QString Address = QStringLiteral("address");
const QString Speed = QStringLiteral("speed");
const QString From = QStringLiteral("from");
const QString To = QStringLiteral("to");
const QString Json = QStringLiteral("json");
const QString Timeout = QStringLiteral("timeout");

constexpr std::chrono::milliseconds StatusTimeout{2000};

using common::numberIn;
const auto say = common::printLine;

std::optional<bool> onOff(const QString& text, const QString& offWord)
{
    const QString word = text.toLower();
    if (word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("off") || word == offWord)
        return false;
    return std::nullopt;
}

QString tenths(int value)
{
    return QLocale::c().toString(value / 10.0, 'f', 1);
}

QString inputName(int input, int modelCode)
{
    return modelCode == ModelCode::Kma840 ? QString::number(input) : sourceLabel(input, modelCode);
}

QJsonObject statusObject(int address, const StatusReply& r)
{
    QJsonObject object{
        {QStringLiteral("address"), address},
        {QStringLiteral("model"), modelName(r)},
        {QStringLiteral("modelCode"), r.modelCode},
        {QStringLiteral("version"), r.firmwareVersion},
        {QStringLiteral("power"), r.power == PowerOn},
        {QStringLiteral("volume"), r.volume / 10.0},
        {QStringLiteral("mute"), r.mute == 1},
        {QStringLiteral("startupVolume"), r.defVolume / 10.0},
        {QStringLiteral("maxVolume"), r.maxVolume / 10.0},
        {QStringLiteral("input"), inputName(r.input, r.modelCode)},
        // A label like "input": "1" .. "7" or "Bypass", one type for every value.
        {QStringLiteral("preset"), r.preset == 8 ? QStringLiteral("Bypass") : QString::number(r.preset)},
        {QStringLiteral("display"), r.display},
        {QStringLiteral("ir"), r.ir == 0},
        {QStringLiteral("masterSlave"), masterSlaveLabel(r.masterSlave)},
    };
    if (r.modelCode == ModelCode::Kma840)
        object.insert(QStringLiteral("balance"), (r.balance - BalanceCentre) * 0.5);
    return object;
}

QString statusText(int address, const StatusReply& r)
{
    QStringList lines{
        QStringLiteral("Address: %1").arg(address),
        QStringLiteral("Model: %1").arg(productTypeCaption(r).value_or(modelName(r))),
        QStringLiteral("Power: %1")
            .arg(r.power == PowerOn ? QStringLiteral("on") : QStringLiteral("standby")),
        QStringLiteral("Volume: %1").arg(tenths(r.volume)),
        QStringLiteral("Mute: %1").arg(r.mute == 1 ? QStringLiteral("on") : QStringLiteral("off")),
        QStringLiteral("Start-up volume: %1").arg(tenths(r.defVolume)),
        QStringLiteral("Maximum volume: %1").arg(tenths(r.maxVolume)),
        QStringLiteral("Input: %1").arg(inputName(r.input, r.modelCode)),
        presetLabel(r.preset),
        QStringLiteral("Display: %1").arg(r.display),
        QStringLiteral("IR receiver: %1").arg(r.ir == 0 ? QStringLiteral("on") : QStringLiteral("off")),
        QStringLiteral("Master/slave: %1").arg(masterSlaveLabel(r.masterSlave)),
    };
    if (r.modelCode == ModelCode::Kma840)
        lines << QStringLiteral("Balance: %1").arg(balanceText(r.balance, QLocale::c()));
    return lines.join(u'\n');
}

// The session on the port of the options, without the window's settings: nothing is written to
// setup.ini but the log's place is the program's.
struct Link
{
    LinkSession session;
    ComForm& link = session.link();
    const LinkState& state = session.state();
    TimedLink timed;
    InterruptNotifier interrupts;

    Link(const PortChoice& port, const CommandOptions& options, const QString& setupIniPath)
        : session(setupIniPath), timed(session, options.timeout.value_or(StatusTimeout))
    {
        link.setPortMap(port.portMap());
        session.useLinkSettings(port.number, options.speedIndex,
                                QString::number(options.address.value_or(0)));
        QObject::connect(&interrupts, &InterruptNotifier::interrupted, &session, [this] { timed.cancel(); });
    }
    // Why the handshake failed, as an exit code, after saying it.
    int connectFailure(const QString& portLabel, int address)
    {
        if (timed.cancelled())
            return common::ExitInterrupted;
        if (link.lastProblem().number != 0) {
            say(stderr, QStringLiteral("tevlin: %1: %2").arg(portLabel, link.lastProblem().line()));
            return common::ExitPortError;
        }
        say(stderr, QStringLiteral("tevlin: no amplifier acknowledged at address %1 on %2")
                        .arg(address)
                        .arg(portLabel));
        return common::ExitFailed;
    }
};

// The address the window would connect to, or nothing after saying why there is none.
std::optional<int> storedAddress(const QString& setupIniPath)
{
    const QString stored =
        ReadIniValue(QStringLiteral("ComSettings"), QStringLiteral("DevAdr"), QString(), setupIniPath);
    const std::optional<int> address = stored.isEmpty() ? std::nullopt : framing::addressValue(stored);
    if (!address) {
        say(stderr, stored.isEmpty() ? QStringLiteral("tevlin: give --address: %1 holds no amplifier address "
                                                      "(DevAdr in [ComSettings])")
                                           .arg(QDir::toNativeSeparators(setupIniPath))
                                     : QStringLiteral("tevlin: give --address: the amplifier address \"%1\" "
                                                      "in %2 is not one of 0..65535")
                                           .arg(stored, QDir::toNativeSeparators(setupIniPath)));
    }
    return address;
}

void showStatus(const CommandOptions& options, const StatusReply& reply)
{
    say(stdout, options.json
                    ? QString::fromUtf8(
                          QJsonDocument(statusObject(*options.address, reply)).toJson(QJsonDocument::Compact))
                    : statusText(*options.address, reply));
}

int runStatusOrSet(const PortChoice& port, const CommandOptions& options, const QString& setupIniPath)
{
    Link link(port, options, setupIniPath);
    if (!link.timed.connect())
        return link.connectFailure(port.label, *options.address);
    const auto noReply = [&] {
        if (link.timed.cancelled())
            return common::ExitInterrupted;
        // A damaged reply says nothing reliable about the amplifier: nothing is printed or sent.
        say(stderr,
            link.timed.replyDamaged()
                ? QStringLiteral("tevlin: the status reply of the amplifier at address %1 was damaged "
                                 "(wrong length or checksum); nothing of it was used")
                      .arg(*options.address)
                : QStringLiteral("tevlin: the amplifier at address %1 sent no status reply")
                      .arg(*options.address));
        return common::ExitFailed;
    };
    // The first reply is taken over as it is, as after every connect.
    std::optional<StatusReply> reply = link.timed.poll();
    if (!reply)
        return noReply();
    if (!options.settings.isEmpty()) {
        link.session.changeWanted([&](OperatingState& s) {
            // Power first, as a hand would: switching on takes the start-up volume and frees the inputs.
            for (const bool power : {true, false}) {
                for (const Setting& setting : options.settings) {
                    if ((setting.kind == Setting::Kind::Power) == power)
                        applySetting(s, setting, link.state.LinkConnected, link.state.AmpModelCode);
                }
            }
        });
        if (!link.timed.poll())
            return noReply();
        if (!link.state.LinkConnected) {
            if (link.timed.cancelled())
                return common::ExitInterrupted;
            say(stderr, QStringLiteral("tevlin: the amplifier did not acknowledge a setting"));
            return common::ExitFailed;
        }
        // What the amplifier reports after the writes is what counts, not what was sent.
        if (!(reply = link.timed.poll()))
            return noReply();
        int code = common::ExitSuccess;
        for (const Setting& setting : options.settings) {
            if (const auto why = notApplied(setting, *reply)) {
                say(stderr, QStringLiteral("tevlin: %1 was not applied: %2").arg(setting.given, *why));
                code = common::ExitFailed;
            }
        }
        link.session.drop();
        showStatus(options, *reply);
        return code;
    }
    link.session.drop();
    showStatus(options, *reply);
    return common::ExitSuccess;
}

// One line on a terminal that each new text overwrites: where a scan has got to. Nothing when
// standard error is no terminal (a script's log).
class TerminalProgress
{
public:
    void show(const QString& text)
    {
        if (!m_terminal)
            return;
        std::fputs(EraseLine, stderr);
        std::fputs(text.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        m_shown = true;
    }
    // Before a line is printed, and at the end.
    void clear()
    {
        if (!m_shown)
            return;
        std::fputs(EraseLine, stderr);
        std::fflush(stderr);
        m_shown = false;
    }

private:
    static constexpr const char* EraseLine = "\r\033[K";
    bool m_terminal = common::isTerminal(stderr);
    bool m_shown = false;
};

int runScan(const PortChoice& port, const CommandOptions& options, const QString& setupIniPath)
{
    AmplifierScan scan(port.portMap(), port.number, options.speedIndex, setupIniPath,
                       options.timeout.value_or(AmplifierScan::DefaultWait));
    InterruptNotifier interrupts;
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &scan, &AmplifierScan::cancel);
    TerminalProgress progress;
    QObject::connect(&scan, &AmplifierScan::trying, &scan, [&](int address) {
        progress.show(QStringLiteral("Trying address %1 of %2").arg(address).arg(options.to));
    });
    QObject::connect(&scan, &AmplifierScan::answered, &scan, [&](const AmplifierScan::Found& found) {
        progress.clear();
        if (options.json) {
            QJsonObject object{{QStringLiteral("address"), found.address}};
            if (found.damaged)
                object.insert(QStringLiteral("damaged"), true);
            if (found.reply) {
                object.insert(QStringLiteral("model"), modelName(*found.reply));
                object.insert(QStringLiteral("version"), found.reply->firmwareVersion);
            }
            say(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        } else {
            say(stdout, found.reply ? QStringLiteral("%1\t%2\t%3")
                                          .arg(found.address)
                                          .arg(modelName(*found.reply))
                                          .arg(found.reply->firmwareVersion)
                        : found.damaged ? QStringLiteral("%1\t(damaged status reply)").arg(found.address)
                                        : QStringLiteral("%1\t(no status reply)").arg(found.address));
        }
    });
    const bool ran = scan.run(options.from, options.to);
    progress.clear();
    if (!ran) {
        say(stderr, QStringLiteral("tevlin: %1: %2").arg(port.label, scan.portProblem().line()));
        return common::ExitPortError;
    }
    if (scan.cancelled())
        return common::ExitInterrupted;
    if (scan.found().isEmpty()) {
        say(stderr, QStringLiteral("tevlin: no amplifier answered at addresses %1 to %2 on %3")
                        .arg(options.from)
                        .arg(options.to)
                        .arg(port.label));
        return common::ExitFailed;
    }
    return common::ExitSuccess;
}

} // namespace

std::variant<Setting, QString> parseSetting(const QString& text)
{
    const qsizetype equals = text.indexOf(u'=');
    const QString name = text.left(equals).trimmed().toLower();
    const QString value = equals < 0 ? QString() : text.mid(equals + 1).trimmed();
    const QString usage =
        QStringLiteral("%1: use volume=, startup-volume=, max-volume=, balance= (numbers), mute=on|off, "
                       "power=on|standby, input=A1..A4|D1..D5")
            .arg(text);
    if (equals < 0 || value.isEmpty())
        return usage;
    Setting setting{Setting::Kind::Volume, value, false, 0, text};
    if (name == QLatin1String("volume") || name == QLatin1String("startup-volume") ||
        name == QLatin1String("max-volume")) {
        setting.kind = name == QLatin1String("volume")           ? Setting::Kind::Volume
                       : name == QLatin1String("startup-volume") ? Setting::Kind::StartupVolume
                                                                 : Setting::Kind::MaxVolume;
        if (!typedTenths(value))
            return QStringLiteral("%1: not a number").arg(text);
        return setting;
    }
    if (name == QLatin1String("balance")) {
        setting.kind = Setting::Kind::Balance;
        if (!typedBalanceStep(value))
            return QStringLiteral("%1: not a number").arg(text);
        return setting;
    }
    if (name == QLatin1String("mute") || name == QLatin1String("power")) {
        const bool power = name == QLatin1String("power");
        setting.kind = power ? Setting::Kind::Power : Setting::Kind::Mute;
        const auto on = onOff(value, power ? QStringLiteral("standby") : QStringLiteral("off"));
        if (!on)
            return usage;
        setting.on = *on;
        return setting;
    }
    if (name == QLatin1String("input")) {
        setting.kind = Setting::Kind::Input;
        static const QRegularExpression form(QStringLiteral("^([AD]?)([1-9])$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const auto match = form.match(value);
        const int number = match.hasMatch() ? match.captured(2).toInt() : 0;
        const QString bank = match.captured(1).toUpper();
        if (bank == QLatin1String("A") && number <= DigitalInputOffset)
            setting.input = number;
        else if (bank == QLatin1String("D") && number <= 5)
            setting.input = number + DigitalInputOffset;
        else if (bank.isEmpty() && number > 0)
            setting.input = number;
        if (setting.input == 0)
            return usage;
        return setting;
    }
    return usage;
}

void applySetting(OperatingState& state, const Setting& setting, bool linkConnected, int modelCode)
{
    static const std::map<Setting::Kind, const LevelField*> levels{
        {Setting::Kind::Volume, &VolumeLevel},
        {Setting::Kind::StartupVolume, &DefVolumeLevel},
        {Setting::Kind::MaxVolume, &MaxVolumeLevel},
        {Setting::Kind::Balance, &BalanceLevel},
    };
    if (const auto level = levels.find(setting.kind); level != levels.end()) {
        typeLevel(state, *level->second, setting.text);
        return;
    }
    switch (setting.kind) {
    case Setting::Kind::Mute:
        // The button toggles: pressed only when the amplifier's state is not already the one asked for.
        if (state.muteState != setting.on)
            pressMute(state, linkConnected);
        return;
    case Setting::Kind::Power:
        if (state.powerIsOn() != setting.on)
            pressPower(state, linkConnected);
        return;
    case Setting::Kind::Input:
        selectInput(state, setting.input, linkConnected, modelCode);
        return;
    default:
        return;
    }
}

std::optional<QString> notApplied(const Setting& setting, const StatusReply& reply)
{
    const bool standby = reply.power != PowerOn;
    const bool kma = reply.modelCode == ModelCode::Kma840;
    const QString inStandby = QStringLiteral("the amplifier is in standby");
    const auto result = [](const QString& asked, const QString& got, const QString& why) {
        return QStringLiteral("asked %1, got %2: %3").arg(asked, got, why);
    };
    QString why = QStringLiteral("the amplifier kept another value");
    switch (setting.kind) {
    case Setting::Kind::Volume:
    case Setting::Kind::StartupVolume:
    case Setting::Kind::MaxVolume: {
        // As typed, before the boxes' clamps: 150 is asked as 150.0, not as the 99.9 it becomes.
        const long long asked =
            common::roundHalfEven(common::parseUserNumber(setting.text).value_or(0) * 10.0);
        const int got = setting.kind == Setting::Kind::Volume          ? reply.volume
                        : setting.kind == Setting::Kind::StartupVolume ? reply.defVolume
                                                                       : reply.maxVolume;
        if (asked == got)
            return std::nullopt;
        if (asked < 0 || asked > VolumeMax)
            why = QStringLiteral("volumes go from 0.0 to %1").arg(tenths(VolumeMax));
        else if (setting.kind == Setting::Kind::Volume && standby)
            why = inStandby;
        else if (setting.kind == Setting::Kind::Volume && asked > reply.maxVolume)
            why = QStringLiteral("limited by the maximum volume, %1").arg(tenths(reply.maxVolume));
        else if (setting.kind == Setting::Kind::MaxVolume && asked < got)
            // As in the window: a maximum below the volume of the moment is raised to it.
            why = QStringLiteral("the maximum volume is not set below the volume");
        return result(QLocale::c().toString(asked / 10.0, 'f', 1), tenths(got), why);
    }
    case Setting::Kind::Balance: {
        const long long asked =
            common::roundHalfEven(common::parseUserNumber(setting.text).value_or(0) * 10.0);
        const QString askedText = QLocale::c().toString(asked / 10.0, 'f', 1);
        if (!kma)
            return result(askedText, QStringLiteral("none"), QStringLiteral("this model has no balance"));
        const auto step = typedBalanceStep(setting.text);
        // The box takes -3.0 .. 3.0 in halves and puts anything else in the centre.
        const bool valid = step && (*step != BalanceCentre || asked == 0);
        if (valid && reply.balance == *step)
            return std::nullopt;
        if (!valid)
            why = QStringLiteral("the balance goes from -3.0 to 3.0 in steps of 0.5");
        return result(askedText, balanceText(reply.balance, QLocale::c()), why);
    }
    case Setting::Kind::Mute:
    case Setting::Kind::Power: {
        const bool power = setting.kind == Setting::Kind::Power;
        const bool got = power ? !standby : reply.mute == 1;
        if (got == setting.on)
            return std::nullopt;
        const auto word = [power](bool on) {
            return on ? QStringLiteral("on") : power ? QStringLiteral("standby") : QStringLiteral("off");
        };
        if (!power && standby)
            why = inStandby;
        return result(word(setting.on), word(got), why);
    }
    case Setting::Kind::Input: {
        if (reply.input == setting.input)
            return std::nullopt;
        const bool hasD5 = reply.modelCode == ModelCode::Rx900 || reply.modelCode == ModelCode::Vx900 ||
                           reply.modelCode == ModelCode::Vx900S;
        const QString asked = inputName(setting.input, reply.modelCode);
        if (standby)
            why = inStandby;
        else if (setting.input > DigitalInputOffset + 4 && !hasD5)
            why = QStringLiteral("this model has no input %1").arg(asked);
        return result(asked, inputName(reply.input, reply.modelCode), why);
    }
    }
    return std::nullopt;
}

void addCommandLineOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {Status, QStringLiteral("Without the window: handshake, one status poll, print the decoded status.")},
        {Set,
         QStringLiteral(
             "Without the window: change a value as its control does (volume=45.5, startup-volume=30, "
             "max-volume=80, balance=-1.5, mute=on|off, power=on|standby, input=A1..A4|D1..D5), "
             "then read the status to confirm. Repeat it for several."),
         QStringLiteral("NAME=VALUE")},
        {Scan,
         QStringLiteral("Without the window: find the amplifiers on the line; prints address, model and "
                        "version of each that answers.")},
        {Port,
         QStringLiteral("The port, COM1..COM16, a device path such as /dev/ttyUSB0, or "
                        "rfc2217://HOST:PORT or tcp://HOST:PORT."),
         QStringLiteral("PORT")},
        {Address,
         QStringLiteral("The amplifier's network address, 0..65535 (default: the address the window uses, "
                        "DevAdr in setup.ini)."),
         QStringLiteral("N")},
        {Speed, QStringLiteral("9600 (default), 57600 or 115200."), QStringLiteral("BAUD")},
        {From, QStringLiteral("With --scan: the first address to try (default 1)."), QStringLiteral("N")},
        {To, QStringLiteral("With --scan: the last address to try (default 255)."), QStringLiteral("N")},
        {Timeout,
         QStringLiteral("How long to wait for each answer in ms (default 2000). With --scan: how long each "
                        "address has to answer, besides the handshake's time on the wire (default 60, enough "
                        "for an amplifier that answers within 50 ms; more for a slow adapter or a network "
                        "port)."),
         QStringLiteral("MS")},
        {Json, QStringLiteral("Print JSON instead of text: one object, or one per amplifier found.")},
    });
}

bool wantsCommandLine(const QStringList& arguments)
{
    return common::mentionsOption(arguments, {Status, Set, Scan});
}

std::variant<CommandOptions, QString> readCommandOptions(const QCommandLineParser& parser)
{
    CommandOptions options;
    const int modes = int(parser.isSet(Status)) + int(parser.isSet(Set)) + int(parser.isSet(Scan));
    if (modes == 0) {
        for (const QString& name : {Port, Address, Speed, From, To, Timeout, Json}) {
            if (parser.isSet(name))
                return QStringLiteral("--%1 goes with --status, --set or --scan").arg(name);
        }
        return options;
    }
    if (modes > 1 && !(parser.isSet(Status) && parser.isSet(Set) && !parser.isSet(Scan)))
        return QStringLiteral("--scan goes alone");
    options.mode = parser.isSet(Scan)  ? CommandOptions::Mode::Scan
                   : parser.isSet(Set) ? CommandOptions::Mode::Set
                                       : CommandOptions::Mode::Status;
    options.port = parser.value(Port);
    if (options.port.isEmpty())
        return QStringLiteral("name the port with --port");
    options.json = parser.isSet(Json);
    if (parser.isSet(Speed)) {
        const QString speed = parser.value(Speed);
        bool number = false;
        const int baud = speed.toInt(&number);
        options.speedIndex = number ? speedIndexOfBaud(baud).value_or(-1) : -1;
        if (options.speedIndex < 0)
            return QStringLiteral("--speed is 9600, 57600 or 115200");
    }
    if (parser.isSet(Timeout)) {
        const auto ms = numberIn(parser.value(Timeout), 1, 600000);
        if (!ms)
            return QStringLiteral("--timeout takes milliseconds, 1 to 600000");
        options.timeout = std::chrono::milliseconds(*ms);
    }
    if (options.mode == CommandOptions::Mode::Scan) {
        if (parser.isSet(Address))
            return QStringLiteral("--scan tries the addresses of --from and --to, not --address");
        const auto from =
            numberIn(parser.value(From).isEmpty() ? QStringLiteral("1") : parser.value(From), 0, 65535);
        const auto to =
            numberIn(parser.value(To).isEmpty() ? QStringLiteral("255") : parser.value(To), 0, 65535);
        if (!from || !to || *from > *to)
            return QStringLiteral("--from and --to are addresses 0..65535, --from not above --to");
        options.from = *from;
        options.to = *to;
        return options;
    }
    if (parser.isSet(From) || parser.isSet(To))
        return QStringLiteral("--from and --to go with --scan");
    if (parser.isSet(Address)) {
        options.address = numberIn(parser.value(Address), 0, 65535);
        if (!options.address)
            return QStringLiteral("--address takes the amplifier's network address, 0..65535");
    }
    for (const QString& text : parser.values(Set)) {
        const auto setting = parseSetting(text);
        if (const QString* problem = std::get_if<QString>(&setting))
            return *problem;
        const Setting& added = std::get<Setting>(setting);
        // The last would win in silence, and the first be reported as not applied.
        for (const Setting& earlier : std::as_const(options.settings)) {
            if (earlier.kind == added.kind)
                return QStringLiteral("%1 and %2: one value each").arg(earlier.given, added.given);
        }
        options.settings << added;
    }
    return options;
}

int runCommandLine(const CommandOptions& given, const QString& setupIniPath)
{
    const auto choice = choosePort(given.port, PortMap::fromSystem(setupIniPath));
    if (const QString* problem = std::get_if<QString>(&choice)) {
        say(stderr, QStringLiteral("tevlin: ") + *problem);
        return namesPort(given.port) ? common::ExitPortError : common::ExitUsage;
    }
    const PortChoice& port = std::get<PortChoice>(choice);
    if (given.mode == CommandOptions::Mode::Scan)
        return runScan(port, given, setupIniPath);
    CommandOptions options = given;
    if (!options.address) {
        options.address = storedAddress(setupIniPath);
        if (!options.address)
            return common::ExitUsage;
    }
    return runStatusOrSet(port, options, setupIniPath);
}

} // namespace control::cli
