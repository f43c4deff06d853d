#include "bench/uploadmeasures.h"

#include "bench/procfs.h"
#include "serial/wait.h"
#include "sim/bootloader.h"
#include "sim/pty.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <map>
#include <memory>

using namespace std::chrono_literals;
using namespace bench;

namespace {

// Goals.
constexpr double CommandLineCpuGoal = 1.1;  // x a plain event loop sending the same lines
constexpr double ManyPortsTimeGoal = 1.005; // each port's upload time / (lines x Delay)
constexpr double ManyPortsCpuGoal = 2.0;    // % of a core for all ports together

const QString CommandLineMeasure = QStringLiteral("CPU while corlift --flash uploads");
const QString ManyPortsMeasure = QStringLiteral("corlift --flash on many ports at once");

BootLoaderOptions kma840()
{
    BootLoaderOptions options;
    options.product = QStringLiteral("kma840");
    return options;
}

bool writeFirmware(const QString& path, int lines)
{
    QFile file(path);
    const QByteArray content = BootLoader::sampleFirmware(QStringLiteral("kma840"), lines - 2);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// Waits for `process` to end, at most `limit`; kills it if it does not.
bool finished(QProcess& process, std::chrono::milliseconds limit)
{
    const bool ended =
        waitUntil([&] { return process.state() == QProcess::NotRunning; }, nullptr, limit) == WaitResult::Met;
    if (!ended) {
        process.kill();
        process.waitForFinished(3000);
    }
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// One upload by `program` with `arguments` to the boot loader on a fresh pseudo-terminal: the CPU it
// used while sending, in percent of a core.
std::variant<double, QString> uploadCpu(const QString& program, const QStringList& arguments, Pty& pty,
                                        int lines, int delayMs)
{
    BootLoader loader(pty, kma840());
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    UploadCpu cpu(loader, [&] { return process.processId(); });
    process.start(program, arguments);
    const auto limit = std::chrono::milliseconds(delayMs) * lines * 2 + 10s;
    const bool ok = finished(process, limit);
    if (!ok || !cpu.answered())
        return QStringLiteral("%1 did not finish its upload: %2")
            .arg(QFileInfo(program).fileName(),
                 QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
    if (cpu.lines() != lines)
        return QStringLiteral("%1 sent %2 lines, not %3")
            .arg(QFileInfo(program).fileName())
            .arg(cpu.lines())
            .arg(lines);
    if (const auto percent = cpu.percent())
        return *percent;
    return QStringLiteral("no CPU time read for %1").arg(QFileInfo(program).fileName());
}

Row commandLineCpu(const UploadScale& scale, const QString& dir)
{
    const int lines = scale.smoke ? 4 : 62;
    const int rounds = scale.smoke ? 1 : 9;
    const QString firmware = QDir(dir).filePath(QStringLiteral("cpu.s19"));
    if (!writeFirmware(firmware, lines))
        return broken(CommandLineMeasure, QStringLiteral("cannot write %1").arg(firmware));
    const QDir bin(scale.binDir);
    Pty pty;
    if (!pty.isOpen())
        return broken(CommandLineMeasure, QStringLiteral("no pseudo-terminal"));
    const QString delay = QString::number(scale.delayMs);
    std::vector<double> corlift;
    std::vector<double> loop;
    // Taking turns, so that a disturbance from outside spreads over both.
    for (int round = 0; round < rounds; ++round) {
        const auto own =
            uploadCpu(bin.filePath(QStringLiteral("corlift")),
                      {QStringLiteral("--flash"), firmware, QStringLiteral("--port"), pty.devicePath(),
                       QStringLiteral("--delay"), delay, QStringLiteral("--settings-dir"), dir},
                      pty, lines, scale.delayMs);
        if (const QString* why = std::get_if<QString>(&own))
            return broken(CommandLineMeasure, *why);
        const auto reference = uploadCpu(bin.filePath(QStringLiteral("bench-upload-loop")),
                                         {pty.devicePath(), firmware, delay}, pty, lines, scale.delayMs);
        if (const QString* why = std::get_if<QString>(&reference))
            return broken(CommandLineMeasure, *why);
        corlift.push_back(std::get<double>(own));
        loop.push_back(std::get<double>(reference));
    }
    const double own = median(corlift);
    const double reference = median(loop);
    const double ratio = own / reference;
    return row(QStringLiteral("%1 %2 lines at Delay %3, vs a plain Qt event loop sending the same, median of "
                              "%4: %5% vs %6% of a core (goal <= %7x)")
                   .arg(CommandLineMeasure)
                   .arg(lines)
                   .arg(scale.delayMs)
                   .arg(rounds)
                   .arg(fixed(own, 3), fixed(reference, 3))
                   .arg(CommandLineCpuGoal),
               fixed(ratio, 2) + u'x', ratio <= CommandLineCpuGoal);
}

struct ManyPorts
{
    double cpuPercent = 0;
    double worstRatio = 0;
    double shortestPauseMs = 0;
};

// corlift --flash on `count` boot loaders at once. The CPU counts while every port sends: from the
// last port's first line to the first port's answer.
std::variant<ManyPorts, QString> manyPorts(const UploadScale& scale, const QString& firmware,
                                           const QString& dir, int count, int lines)
{
    std::vector<std::unique_ptr<Pty>> ptys;
    std::vector<std::unique_ptr<BootLoader>> loaders;
    QStringList arguments{QStringLiteral("--flash"),        firmware,
                          QStringLiteral("--delay"),        QString::number(scale.delayMs),
                          QStringLiteral("--settings-dir"), dir};
    QProcess corlift;
    int started = 0;
    int answered = 0;
    std::optional<procfs::CpuSample> allSending;
    std::optional<procfs::CpuSample> firstDone;
    const auto sample = [&] { return procfs::sampleCpu(corlift.processId()); };
    for (int i = 0; i < count; ++i) {
        ptys.push_back(std::make_unique<Pty>());
        if (!ptys.back()->isOpen())
            return QStringLiteral("no pseudo-terminal for port %1").arg(i + 1);
        loaders.push_back(std::make_unique<BootLoader>(*ptys.back(), kma840()));
        QObject::connect(loaders.back().get(), &BootLoader::lineReceived, [&](int number, const QByteArray&) {
            if (number == 1 && ++started == count)
                allSending = sample();
        });
        QObject::connect(loaders.back().get(), &BootLoader::answered, [&](const QByteArray&) {
            if (++answered == 1)
                firstDone = sample();
        });
        arguments << QStringLiteral("--port") << ptys.back()->devicePath();
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KORVANES_TIMESTAMPS"), QStringLiteral("1"));
    corlift.setProcessEnvironment(environment);
    corlift.setStandardOutputFile(QProcess::nullDevice());
    corlift.start(QDir(scale.binDir).filePath(QStringLiteral("corlift")), arguments);
    const auto limit = std::chrono::milliseconds(scale.delayMs) * lines * 2 + 10s;
    if (!finished(corlift, limit) || answered != count)
        return QStringLiteral("corlift --flash on %1 ports did not succeed: %2")
            .arg(count)
            .arg(QString::fromLocal8Bit(corlift.readAllStandardError().right(400)).trimmed());
    const auto percent = allSending && firstDone ? procfs::cpuPercent(*allSending, *firstDone) : std::nullopt;
    if (!percent)
        return QStringLiteral("no CPU time read while %1 ports sent").arg(count);

    ManyPorts result;
    result.cpuPercent = *percent;
    result.shortestPauseMs = 1e9;
    // corlift's own stamps around each line it wrote, and around each port's whole upload.
    auto spans = stampedSpans(corlift.readAllStandardError());
    for (const auto& pty : ptys) {
        const QByteArray label = pty->devicePath().toUtf8();
        const auto& sent = spans[QByteArray("line:") + label];
        const auto& upload = spans[QByteArray("upload:") + label];
        if (int(sent.size()) != lines || upload.size() != 1)
            return QStringLiteral("corlift stamped %1 lines and %2 uploads on %3, not %4 and 1")
                .arg(sent.size())
                .arg(upload.size())
                .arg(QString::fromUtf8(label))
                .arg(lines);
        for (std::size_t i = 1; i < sent.size(); ++i)
            result.shortestPauseMs = std::min(result.shortestPauseMs, ms(sent[i].first - sent[i - 1].second));
        // The sending ends with the pause after the last line.
        result.shortestPauseMs = std::min(result.shortestPauseMs, ms(upload[0].second - sent.back().second));
        const double took = ms(upload[0].second - upload[0].first);
        result.worstRatio = std::max(result.worstRatio, took / (double(lines) * scale.delayMs));
    }
    return result;
}

Row manyPortsRow(const UploadScale& scale, const QString& dir)
{
    const int lines = scale.smoke ? 4 : 62;
    const std::vector<int> counts = scale.smoke ? std::vector<int>{1, 2, 4} : std::vector<int>{1, 8, 32};
    const QString firmware = QDir(dir).filePath(QStringLiteral("ports.s19"));
    if (!writeFirmware(firmware, lines))
        return broken(ManyPortsMeasure, QStringLiteral("cannot write %1").arg(firmware));
    QStringList growth;
    ManyPorts last;
    double worstRatio = 0;
    double shortest = 1e9;
    for (const int count : counts) {
        const auto run = manyPorts(scale, firmware, dir, count, lines);
        if (const QString* why = std::get_if<QString>(&run))
            return broken(ManyPortsMeasure, *why);
        last = std::get<ManyPorts>(run);
        worstRatio = std::max(worstRatio, last.worstRatio);
        shortest = std::min(shortest, last.shortestPauseMs);
        growth << QStringLiteral("%1 ports %2% (worst port %3)")
                      .arg(count)
                      .arg(fixed(last.cpuPercent, 3), fixed(last.worstRatio, 4));
    }
    const bool pass =
        worstRatio <= ManyPortsTimeGoal && shortest >= scale.delayMs && last.cpuPercent <= ManyPortsCpuGoal;
    return row(
        QStringLiteral("%1, %2 lines at Delay %3 on each: worst port's time / (lines x Delay) %4, shortest "
                       "pause %5 ms (time stamps); CPU of a core %6 (goal <= %7, no pause under Delay, "
                       "<= %8% at %9 ports)")
            .arg(ManyPortsMeasure)
            .arg(lines)
            .arg(scale.delayMs)
            .arg(fixed(worstRatio, 4), fixed(shortest, 2), growth.join(QStringLiteral(", ")))
            .arg(ManyPortsTimeGoal)
            .arg(ManyPortsCpuGoal)
            .arg(counts.back()),
        fixed(last.cpuPercent, 3) + u'%', pass);
}

} // namespace

UploadCpu::UploadCpu(BootLoader& loader, std::function<qint64()> pid) : m_pid(std::move(pid))
{
    QObject::connect(&loader, &BootLoader::lineReceived, [this](int, const QByteArray&) {
        if (++m_lines == 1)
            m_begin = procfs::sampleCpu(m_pid());
    });
    QObject::connect(&loader, &BootLoader::answered, [this](const QByteArray&) {
        if (!m_end)
            m_end = procfs::sampleCpu(m_pid());
    });
}

std::optional<double> UploadCpu::percent() const
{
    if (!m_begin || !m_end)
        return std::nullopt;
    return procfs::cpuPercent(*m_begin, *m_end);
}

std::vector<Row> commandLineUploadRows(const UploadScale& scale)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return {broken(CommandLineMeasure, QStringLiteral("no temporary directory")),
                broken(ManyPortsMeasure, QStringLiteral("no temporary directory"))};
    return {commandLineCpu(scale, dir.path()), manyPortsRow(scale, dir.path())};
}
