#include "setup/configcommand.h"

#include "common/commandline.h"
#include "common/exitcode.h"
#include "common/interruptnotifier.h"
#include "control/amplifierscan.h"
#include "control/linksession.h"
#include "control/timedlink.h"
#include "protocol/commandtable.h"
#include "protocol/framing.h"
#include "protocol/models.h"
#include "serial/comform.h"
#include "serial/linespeed.h"
#include "serial/portchoice.h"
#include "setup/configfile.h"
#include "setup/kma840model.h"
#include "setup/rx900model.h"
#include "setup/setupcodec.h"
#include "setup/setuplink.h"
#include "setup/solsticemodel.h"
#include "setup/vx900model.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace setup::config {
namespace {

const QString Backup = QStringLiteral("backup");
const QString Restore = QStringLiteral("restore");
const QString Diff = QStringLiteral("diff");
const QString All = QStringLiteral("all");
const QString DryRun = QStringLiteral("dry-run");
const QString KeepLink = QStringLiteral("keep-link");
const QString ChangeLink = QStringLiteral("change-link");
const QString Port = QStringLiteral("port");
const QString Address = QStringLiteral("address");
const QString Speed = QStringLiteral("speed");
const QString From = QStringLiteral("from");
const QString To = QStringLiteral("to");
const QString Json = QStringLiteral("json");
const QString Timeout = QStringLiteral("timeout");
const QString AddressMark = QStringLiteral("%a");

constexpr std::chrono::milliseconds AnswerTimeout{2000};

const auto say = common::printLine;

// The setup dialogs' descriptions by the model code the amplifier reports, as the dialogs' registry
// chooses them.
const ModelSpec* specFor(int modelCode)
{
    switch (modelCode) {
    case ModelCode::Kma840:
        return &kma840::Spec;
    case ModelCode::Solstice:
        return &solstice::Spec;
    case ModelCode::Rx900:
        return &rx900::Spec;
    case ModelCode::Vx900:
    case ModelCode::Vx900S:
        return &vx900::Spec;
    default:
        return nullptr;
    }
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString codeOf(const Packet& packet)
{
    return QStringLiteral("%1").arg(commandAt(packet.command).code, 2, 16, QChar(u'0')).toUpper();
}

// A write packet as its sender frames it: a setup packet with the address's low byte alone.
std::optional<QByteArray> framed(const Packet& packet, const QByteArray& data, int address)
{
    const CommandRecord& entry = commandAt(packet.command);
    QList<int> bytes;
    for (const char c : data)
        bytes << static_cast<unsigned char>(c);
    const framing::Address to = packet.sender == Sender::SetupPacket ? framing::Address{address & 0xFF, 0}
                                                                     : framing::addressBytes(address);
    return framing::framePacket(entry.length, to, entry.code, bytes);
}

QString speedText(const ModelSpec& spec, int value)
{
    const auto baud = baudOfSpeedIndex(value - spec.fields[spec.speedField].list.offset);
    return baud ? QString::number(*baud) : QStringLiteral("speed %1").arg(value);
}

QString labels(const QList<Difference>& differences)
{
    QStringList names;
    for (const Difference& d : differences)
        names << d.label;
    return names.join(QStringLiteral(", "));
}

// What became of one amplifier.
struct Result
{
    int address = 0;
    QString model{};
    bool ok = false;
    QString word{}; // saved, restored, same, differs, refused, failed
    QString message{};
    QList<Difference> differences{};
    QStringList missing{};
    QStringList packets{}; // --dry-run: what would be sent
    QStringList sent{};    // taken: acknowledged, or sent where nothing is awaited
    QStringList unanswered{};
    QStringList notSent{};
};

class Runner
{
public:
    Runner(const Options& options, const PortChoice& port, const QString& setupIniPath)
        : m_options(options), m_port(port), m_limit(options.timeout.value_or(AnswerTimeout)),
          m_session(setupIniPath), m_timed(m_session, m_limit)
    {
        m_session.link().setPortMap(port.portMap());
        QObject::connect(&m_interrupts, &InterruptNotifier::interrupted, &m_session, [this] {
            m_interrupted = true;
            if (m_current)
                m_current->cancel();
            m_timed.cancel();
        });
    }

    bool interrupted() const { return m_interrupted; }
    bool portFailed() const { return m_portFailed; }

    Result runOne(int address, const ConfigFile* file)
    {
        Result r{.address = address};
        const auto fail = [&r](const QString& message, const QString& word = QStringLiteral("failed")) {
            r.word = word;
            r.message = message;
            return r;
        };
        if (const auto problem = connectTo(address, m_options.speedIndex))
            return fail(*problem);
        const ModelSpec* spec = specFor(m_modelCode);
        r.model = modelCaption(m_modelCode);
        if (!spec)
            return fail(QStringLiteral("no setup dialog for this model"));
        if (file && file->modelCode && *file->modelCode != m_modelCode)
            return fail(QStringLiteral("the file's model is %1, the amplifier's %2; nothing was written")
                            .arg(file->modelName(), r.model),
                        QStringLiteral("refused"));
        Values read;
        if (const auto problem = readAll(*spec, read))
            return fail(*problem);
        switch (m_options.mode) {
        case Options::Mode::Backup:
            backup(r, *spec, read);
            break;
        case Options::Mode::Diff:
            diff(r, *spec, *file, read);
            break;
        case Options::Mode::Restore:
            restore(r, *spec, *file, read);
            break;
        }
        if (file && !file->modelCode)
            r.message +=
                QStringLiteral(" (the file names no model: its keys were taken as this %1's)").arg(r.model);
        return r;
    }

    void end() { m_session.drop(); }

private:
    std::optional<QString> connectTo(int address, int speedIndex)
    {
        m_session.drop();
        m_session.useLinkSettings(m_port.number, speedIndex, QString::number(address));
        if (!m_timed.connect()) {
            if (m_session.link().lastProblem().number != 0) {
                m_portFailed = !m_interrupted;
                return QStringLiteral("%1: %2").arg(m_port.label, m_session.link().lastProblem().message);
            }
            return QStringLiteral("no amplifier acknowledged");
        }
        const std::optional<control::StatusReply> reply = m_timed.poll();
        if (!reply)
            return m_timed.replyDamaged() ? QStringLiteral("the status reply was damaged")
                                          : QStringLiteral("no status reply");
        m_modelCode = reply->modelCode;
        m_firmware = reply->firmwareVersion;
        return std::nullopt;
    }

    // Runs `step` on a setup link of a lease, which gives up after the time limit without a byte.
    template <typename Step> SetupLink::Outcome onLink(Step&& step, bool& silent)
    {
        control::LinkLease lease = m_session.lease();
        SetupLink link(lease);
        link.setSilenceNotice(m_limit);
        QObject::connect(&link, &SetupLink::notAnswering, &link, [&] {
            silent = true;
            link.cancel();
        });
        m_current = &link;
        const SetupLink::Outcome outcome = step(link);
        m_current = nullptr;
        return outcome;
    }

    QString failure(SetupLink::Outcome outcome, bool silent, const QString& doing) const
    {
        if (m_interrupted)
            return QStringLiteral("interrupted while %1").arg(doing);
        if (silent)
            return QStringLiteral("the amplifier stopped answering while %1").arg(doing);
        if (outcome == SetupLink::Outcome::Damaged)
            return QStringLiteral("a reply came damaged while %1; nothing of it was used").arg(doing);
        return QStringLiteral("the link went down while %1").arg(doing);
    }

    std::optional<QString> readAll(const ModelSpec& spec, Values& values)
    {
        bool silent = false;
        QList<QByteArray> replies;
        const auto outcome =
            onLink([&](SetupLink& link) { return link.readAll(spec.reads, replies); }, silent);
        if (outcome != SetupLink::Outcome::Done)
            return failure(outcome, silent, QStringLiteral("reading the settings"));
        values = decode(spec, replies);
        return std::nullopt;
    }

    void backup(Result& r, const ModelSpec& spec, const Values& read)
    {
        const QString path = fileFor(m_options.file, r.address);
        Controls controls = loadedControls(spec, read);
        const QByteArray bytes =
            configFileBytes(spec, controls, read,
                            {m_modelCode, m_firmware,
                             QStringLiteral("Tevlin %1").arg(QCoreApplication::applicationVersion())});
        if (const auto problem = writeConfigFile(path, bytes)) {
            r.word = QStringLiteral("failed");
            r.message = QStringLiteral("not saved: %1").arg(*problem);
            return;
        }
        r.ok = true;
        r.word = QStringLiteral("saved");
        r.message = QStringLiteral("saved to %1").arg(path);
    }

    void diff(Result& r, const ModelSpec& spec, const ConfigFile& file, const Values& read)
    {
        r.differences = differences(spec, file, read, &r.missing);
        r.ok = r.differences.isEmpty();
        r.word = r.ok ? QStringLiteral("same") : QStringLiteral("differs");
        r.message = r.ok ? QStringLiteral("as the file")
                         : (r.differences.size() == 1
                                ? QStringLiteral("1 value differs from the file")
                                : QStringLiteral("%1 values differ from the file").arg(r.differences.size()));
    }

    void restore(Result& r, const ModelSpec& spec, const ConfigFile& file, const Values& read)
    {
        const setup::Restore planned = restoreFrom(spec, file, read, m_options.link == Options::Link::Keep);
        r.missing = planned.missing;
        const int address = read.number[spec.addressField];
        const int newAddress = planned.sent.number[spec.addressField];
        const int newSpeed = planned.sent.number[spec.speedField];
        const bool linkChanges = newAddress != address || newSpeed != read.number[spec.speedField];
        if (linkChanges && m_options.link == Options::Link::Refuse) {
            r.word = QStringLiteral("refused");
            r.message =
                QStringLiteral("the file sets Link ID %1 and Link Speed %2 (the amplifier has %3 and %4); "
                               "nothing was written: add --keep-link to keep the amplifier's, or "
                               "--change-link to take the file's")
                    .arg(newAddress)
                    .arg(speedText(spec, newSpeed))
                    .arg(address)
                    .arg(speedText(spec, read.number[spec.speedField]));
            return;
        }
        for (qsizetype i = 0; i < planned.data.size(); ++i) {
            if (!planned.data[i])
                continue;
            if (m_options.dryRun)
                r.packets << hex(framed(spec.packets[i], *planned.data[i], address).value_or(QByteArray()));
        }
        if (m_options.dryRun) {
            r.ok = true;
            r.word = QStringLiteral("dry-run");
            r.message = QStringLiteral("would send %1 packets").arg(r.packets.size());
            return;
        }
        bool silent = false;
        QList<int> written;
        const auto outcome = onLink(
            [&](SetupLink& link) {
                const auto result = link.writeAll(spec.packets, planned.data, address);
                written = link.written();
                return result;
            },
            silent);
        // The first packet not taken when the run ended was on the line, or about to be.
        for (qsizetype i = 0; i < planned.data.size(); ++i) {
            if (!planned.data[i])
                continue;
            const bool taken = written.contains(int(i));
            (taken                                                           ? r.sent
             : r.unanswered.isEmpty() && outcome != SetupLink::Outcome::Done ? r.unanswered
                                                                             : r.notSent)
                << codeOf(spec.packets[i]);
        }
        if (outcome != SetupLink::Outcome::Done) {
            r.word = QStringLiteral("failed");
            r.message = failure(outcome, silent, QStringLiteral("writing the settings"));
            return;
        }
        // The amplifier answers at its new address and speed from now on.
        if (linkChanges) {
            if (const auto problem =
                    connectTo(newAddress, newSpeed - spec.fields[spec.speedField].list.offset)) {
                r.word = QStringLiteral("failed");
                r.message = QStringLiteral("sent, but at its new link settings: %1").arg(*problem);
                return;
            }
        }
        Values readBack;
        if (const auto problem = readAll(spec, readBack)) {
            r.word = QStringLiteral("failed");
            r.message = QStringLiteral("sent, but reading back: %1").arg(*problem);
            return;
        }
        r.differences = notTaken(spec, planned.sent, readBack);
        r.ok = r.differences.isEmpty();
        r.word = r.ok ? QStringLiteral("restored") : QStringLiteral("failed");
        r.message = r.ok ? QStringLiteral("restored and read back the same")
                         : QStringLiteral("sent, but the amplifier reads back otherwise: %1")
                               .arg(labels(r.differences));
        if (linkChanges)
            r.message += QStringLiteral("; it now answers at Link ID %1, %2 baud")
                             .arg(newAddress)
                             .arg(speedText(spec, newSpeed));
    }

    const Options& m_options;
    const PortChoice& m_port;
    std::chrono::milliseconds m_limit;
    control::LinkSession m_session;
    control::TimedLink m_timed;
    InterruptNotifier m_interrupts;
    SetupLink* m_current = nullptr;
    int m_modelCode = 0;
    int m_firmware = 0;
    bool m_interrupted = false;
    bool m_portFailed = false;
};

QString listed(const QStringList& codes)
{
    return codes.isEmpty() ? QStringLiteral("none") : codes.join(u' ');
}

void show(const Options& options, const Result& r)
{
    const bool restoring = options.mode == Options::Mode::Restore;
    if (options.json) {
        QJsonObject object{{QStringLiteral("address"), r.address},
                           {QStringLiteral("result"), r.word},
                           {QStringLiteral("ok"), r.ok},
                           {QStringLiteral("message"), r.message}};
        if (!r.model.isEmpty())
            object.insert(QStringLiteral("model"), r.model);
        QJsonArray differences;
        for (const Difference& d : r.differences)
            differences.append(QJsonObject{{QStringLiteral("label"), d.label},
                                           {QStringLiteral("file"), d.fileText},
                                           {QStringLiteral("amplifier"), d.amplifierText}});
        if (!r.differences.isEmpty())
            object.insert(QStringLiteral("differences"), differences);
        if (!r.missing.isEmpty())
            object.insert(QStringLiteral("missing"), QJsonArray::fromStringList(r.missing));
        if (!r.packets.isEmpty())
            object.insert(QStringLiteral("packets"), QJsonArray::fromStringList(r.packets));
        if (restoring && !options.dryRun && !(r.sent + r.unanswered + r.notSent).isEmpty()) {
            object.insert(QStringLiteral("taken"), QJsonArray::fromStringList(r.sent));
            object.insert(QStringLiteral("unanswered"), QJsonArray::fromStringList(r.unanswered));
            object.insert(QStringLiteral("notSent"), QJsonArray::fromStringList(r.notSent));
        }
        say(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        return;
    }
    say(stdout, QStringLiteral("%1\t%2\t%3\t%4")
                    .arg(r.address)
                    .arg(r.model.isEmpty() ? QStringLiteral("-") : r.model, r.word, r.message));
    for (const QString& packet : r.packets)
        say(stdout, QStringLiteral("\t%1").arg(packet));
    for (const Difference& d : r.differences)
        say(stdout, QStringLiteral("\t%1: file %2, amplifier %3").arg(d.label, d.fileText, d.amplifierText));
    if (!r.missing.isEmpty())
        say(stdout,
            QStringLiteral("\tnot in the file, default used: %1").arg(r.missing.join(QStringLiteral(", "))));
    if (restoring && !r.ok && !(r.sent + r.unanswered + r.notSent).isEmpty())
        say(stdout, QStringLiteral("\tpackets taken: %1; unanswered: %2; not sent: %3")
                        .arg(listed(r.sent), listed(r.unanswered), listed(r.notSent)));
}

void summary(const Options& options, int count, int succeeded)
{
    if (options.json) {
        say(stdout,
            QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("amplifiers"), count},
                                                        {QStringLiteral("succeeded"), succeeded},
                                                        {QStringLiteral("failed"), count - succeeded}})
                                  .toJson(QJsonDocument::Compact)));
        return;
    }
    say(stdout, QStringLiteral("%1 amplifiers: %2 succeeded, %3 failed")
                    .arg(count)
                    .arg(succeeded)
                    .arg(count - succeeded));
}

std::optional<QList<int>> scanned(const Options& options, const PortChoice& port, const QString& setupIniPath,
                                  int& exitCode)
{
    control::AmplifierScan scan(port.portMap(), port.number, options.speedIndex, setupIniPath,
                                options.timeout.value_or(control::AmplifierScan::DefaultWait));
    InterruptNotifier interrupts;
    QObject::connect(&interrupts, &InterruptNotifier::interrupted, &scan, &control::AmplifierScan::cancel);
    if (!scan.run(options.from, options.to)) {
        say(stderr, QStringLiteral("tevlin: %1: %2").arg(port.label, scan.portProblem().message));
        exitCode = common::ExitPortError;
        return std::nullopt;
    }
    if (scan.cancelled()) {
        exitCode = common::ExitInterrupted;
        return std::nullopt;
    }
    QList<int> found;
    for (const control::AmplifierScan::Found& f : scan.found())
        found << f.address;
    if (found.isEmpty()) {
        say(stderr, QStringLiteral("tevlin: no amplifier answered at addresses %1 to %2 on %3")
                        .arg(options.from)
                        .arg(options.to)
                        .arg(port.label));
        exitCode = common::ExitFailed;
        return std::nullopt;
    }
    return found;
}

} // namespace

void addOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {Backup,
         QStringLiteral("Without the window: read the amplifier's whole configuration and save it to FILE "
                        "(\"%a\" in FILE stands for the address)."),
         QStringLiteral("FILE")},
        {Restore,
         QStringLiteral("Without the window: send the configuration in FILE to the amplifier as the setup "
                        "dialog's Update would, then read it back and compare."),
         QStringLiteral("FILE")},
        {Diff,
         QStringLiteral("Without the window: print the values the amplifier holds otherwise than FILE; exit "
                        "code 1 when any differ."),
         QStringLiteral("FILE")},
        {All,
         QStringLiteral("With --backup, --restore or --diff: every amplifier a scan finds (--from, --to).")},
        {DryRun, QStringLiteral("With --restore: print the packets it would send, and send none.")},
        {KeepLink, QStringLiteral("With --restore: the amplifier keeps its Link ID and Link Speed.")},
        {ChangeLink,
         QStringLiteral("With --restore: the amplifier takes the file's Link ID and Link Speed.")},
    });
}

bool wanted(const QStringList& arguments)
{
    return common::mentionsOption(arguments, {Backup, Restore, Diff});
}

std::optional<QString> strayOption(const QCommandLineParser& parser)
{
    for (const QString& name : {All, DryRun, KeepLink, ChangeLink}) {
        if (parser.isSet(name))
            return QStringLiteral("--%1 goes with --backup, --restore or --diff").arg(name);
    }
    return std::nullopt;
}

std::optional<QList<int>> addressList(const QString& text)
{
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d{1,5})\\s*(?:-\\s*(\\d{1,5})\\s*)?$"));
    QList<int> addresses;
    for (const QString& part : text.split(u',')) {
        const QRegularExpressionMatch match = item.match(part);
        if (!match.hasMatch())
            return std::nullopt;
        const int first = match.captured(1).toInt();
        const int last = match.captured(2).isEmpty() ? first : match.captured(2).toInt();
        if (last > 65535 || first > last)
            return std::nullopt;
        for (int a = first; a <= last; ++a) {
            if (!addresses.contains(a))
                addresses << a;
        }
    }
    return addresses;
}

QString fileFor(const QString& pattern, int address)
{
    QString path = pattern;
    return path.replace(AddressMark, QString::number(address));
}

std::variant<Options, QString> readOptions(const QCommandLineParser& parser)
{
    Options options;
    const QStringList modes{Backup, Restore, Diff};
    if (std::count_if(modes.begin(), modes.end(), [&](const QString& m) { return parser.isSet(m); }) != 1)
        return QStringLiteral("--backup, --restore and --diff go alone");
    for (const char* other : {"status", "set", "scan"}) {
        if (parser.isSet(QString::fromLatin1(other)))
            return QStringLiteral("--%1 does not go with --backup, --restore or --diff")
                .arg(QLatin1String(other));
    }
    options.mode = parser.isSet(Backup)    ? Options::Mode::Backup
                   : parser.isSet(Restore) ? Options::Mode::Restore
                                           : Options::Mode::Diff;
    options.file = parser.value(modes[int(options.mode)]);
    if (options.file.isEmpty())
        return QStringLiteral("--%1 needs a file").arg(modes[int(options.mode)]);
    options.port = parser.value(Port);
    if (options.port.isEmpty())
        return QStringLiteral("name the port with --port");
    options.json = parser.isSet(Json);
    options.all = parser.isSet(All);
    options.dryRun = parser.isSet(DryRun);
    if ((options.dryRun || parser.isSet(KeepLink) || parser.isSet(ChangeLink)) &&
        options.mode != Options::Mode::Restore)
        return QStringLiteral("--dry-run, --keep-link and --change-link go with --restore");
    if (parser.isSet(KeepLink) && parser.isSet(ChangeLink))
        return QStringLiteral("--keep-link and --change-link exclude each other");
    options.link = parser.isSet(KeepLink)     ? Options::Link::Keep
                   : parser.isSet(ChangeLink) ? Options::Link::Change
                                              : Options::Link::Refuse;
    if (parser.isSet(Speed)) {
        bool number = false;
        const int baud = parser.value(Speed).toInt(&number);
        options.speedIndex = number ? speedIndexOfBaud(baud).value_or(-1) : -1;
        if (options.speedIndex < 0)
            return QStringLiteral("--speed is 9600, 57600 or 115200");
    }
    if (parser.isSet(Timeout)) {
        const auto ms = common::numberIn(parser.value(Timeout), 1, 600000);
        if (!ms)
            return QStringLiteral("--timeout takes milliseconds, 1 to 600000");
        options.timeout = std::chrono::milliseconds(*ms);
    }
    if (options.all) {
        if (parser.isSet(Address))
            return QStringLiteral("--all takes the addresses a scan finds, not --address");
        const auto from = common::numberIn(
            parser.value(From).isEmpty() ? QStringLiteral("1") : parser.value(From), 0, 65535);
        const auto to =
            common::numberIn(parser.value(To).isEmpty() ? QStringLiteral("255") : parser.value(To), 0, 65535);
        if (!from || !to || *from > *to)
            return QStringLiteral("--from and --to are addresses 0..65535, --from not above --to");
        options.from = *from;
        options.to = *to;
    } else {
        if (parser.isSet(From) || parser.isSet(To))
            return QStringLiteral("--from and --to go with --all");
        const auto addresses = addressList(parser.value(Address));
        if (!addresses)
            return QStringLiteral("--address takes addresses 0..65535, a list and ranges such as 1,3-5");
        options.addresses = *addresses;
    }
    const bool several = options.all || options.addresses.size() > 1;
    if (several && options.mode == Options::Mode::Backup && !options.file.contains(AddressMark))
        return QStringLiteral(
            "several amplifiers need a file each: put %a in the file's name for the address");
    if (several && options.link == Options::Link::Change)
        return QStringLiteral("--change-link would give several amplifiers one Link ID");
    return options;
}

int run(const Options& options, const QString& setupIniPath)
{
    const auto choice = choosePort(options.port, PortMap::fromSystem(setupIniPath));
    if (const QString* problem = std::get_if<QString>(&choice)) {
        say(stderr, QStringLiteral("tevlin: ") + *problem);
        return common::ExitUsage;
    }
    const PortChoice& port = std::get<PortChoice>(choice);

    // The file is read once, before anything goes on the line; with "%a" each amplifier's on its turn.
    const bool fileEach = options.file.contains(AddressMark);
    std::optional<ConfigFile> shared;
    const auto load = [&](int address) -> std::variant<ConfigFile, QString> {
        return readConfigFile(fileFor(options.file, address));
    };
    if (options.mode != Options::Mode::Backup && !fileEach) {
        auto file = load(0);
        if (const QString* problem = std::get_if<QString>(&file)) {
            say(stderr, QStringLiteral("tevlin: ") + *problem);
            return common::ExitFailed;
        }
        shared = std::get<ConfigFile>(std::move(file));
    }

    QList<int> addresses = options.addresses;
    if (options.all) {
        int exitCode = common::ExitSuccess;
        const auto found = scanned(options, port, setupIniPath, exitCode);
        if (!found)
            return exitCode;
        addresses = *found;
    }

    Runner runner(options, port, setupIniPath);
    int succeeded = 0;
    for (const int address : std::as_const(addresses)) {
        if (runner.interrupted() || runner.portFailed())
            break;
        Result r;
        if (options.mode == Options::Mode::Backup || !fileEach) {
            r = runner.runOne(address, shared ? &*shared : nullptr);
        } else {
            auto file = load(address);
            if (const QString* problem = std::get_if<QString>(&file))
                r = Result{.address = address, .word = QStringLiteral("failed"), .message = *problem};
            else
                r = runner.runOne(address, &std::get<ConfigFile>(file));
        }
        runner.end();
        if (runner.interrupted())
            break;
        succeeded += r.ok ? 1 : 0;
        show(options, r);
    }
    if (addresses.size() > 1)
        summary(options, int(addresses.size()), succeeded);
    if (runner.interrupted())
        return common::ExitInterrupted;
    if (runner.portFailed())
        return common::ExitPortError;
    return succeeded == addresses.size() ? common::ExitSuccess : common::ExitFailed;
}

} // namespace setup::config
