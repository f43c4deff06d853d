#include "bench/measures.h"

#include "bench/networkmeasures.h"
#include "bench/procfs.h"
#include "bench/savemeasures.h"
#include "bench/scanmeasures.h"
#include "bench/startupmeasures.h"
#include "bench/uploadmeasures.h"
#include "loader/firmwarefile.h"
#include "serial/wait.h"
#include "settings/inifilehandler.h"
#include "sim/setuppin.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <algorithm>

using namespace std::chrono_literals;
using std::chrono::duration;
using std::chrono::nanoseconds;
using Clock = std::chrono::steady_clock;
using namespace bench;

namespace {

constexpr int StatusRequest = 0xC8;
constexpr int ConnectRequest = 0x01;
constexpr int DelayMs = 150;
constexpr std::chrono::milliseconds WindowLimit = 10s;
constexpr std::chrono::milliseconds StepLimit = 5s;
// Tevlin's shortest poll interval.
constexpr std::chrono::milliseconds PollInterval = 1500ms;
// A wait of Tevlin's says that it waits after 3 s, and what to check after three missed polls.
constexpr std::chrono::milliseconds TevlinNotices = 3 * PollInterval;

// Goals.
constexpr double WaitingCpuGoal = 0.05;  // % of a core
constexpr double UploadCpuGoal = 1.3;    // x a bare Qt window sending the same lines
constexpr double UploadTimeGoal = 1.005; // upload time / (lines x Delay)
constexpr double StartUpGoal = 1.2;      // x a bare Qt window
constexpr double MemoryGoal = 1.2;       // x a bare Qt window
constexpr double RepaintGoalMs = 1.0;
constexpr double LinearGoal = 1.5; // cost per line, large file / small file

nanoseconds sinceEpoch(Clock::time_point t)
{
    return std::chrono::duration_cast<nanoseconds>(t.time_since_epoch());
}

// An amplifier that does not answer: at all, or only requests with this command code.
SimFaults unanswered(std::optional<int> code = std::nullopt)
{
    SimFaults faults;
    faults.noReply = true;
    faults.onlyCode = code;
    return faults;
}

BootLoaderOptions bootLoader(bool announce)
{
    BootLoaderOptions options;
    options.product = QStringLiteral("kma840");
    options.announce = announce;
    return options;
}

int codeOf(const QByteArray& packet)
{
    return packet.size() > 3 ? static_cast<unsigned char>(packet[3]) : -1;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

} // namespace

Bench::Bench(BenchOptions options, WindowWatch& windows) : m_options(std::move(options)), m_windows(windows)
{
    m_scale =
        m_options.smoke ? Scale{300ms, 50ms, 0, 1, 1, 4, 1, 2000} : Scale{10s, 500ms, 1, 21, 5, 102, 5, 5000};
}

bool Bench::prepare(QString& error)
{
    const QDir bin(m_options.binDir);
    for (const char* name :
         {"tevlin", "corlift", "bench-bare-window", "bench-upload-window", "bench-upload-loop"}) {
        if (!QFile::exists(bin.filePath(QLatin1String(name)))) {
            error = QStringLiteral("%1 is not in %2").arg(QLatin1String(name), bin.path());
            return false;
        }
    }
    if (!m_dir.isValid() || !m_ampPty.isOpen() || !m_bootPty.isOpen()) {
        error = QStringLiteral("no temporary directory or pseudo-terminal");
        return false;
    }
    const QDir dir(m_dir.path());
    for (const char* sub : {"tevlin", "corlift", "bare", "upload-window"})
        dir.mkpath(QLatin1String(sub));
    m_tevlin.emplace(bin.filePath(QStringLiteral("tevlin")), dir.filePath(QStringLiteral("tevlin")),
                     m_windows);
    m_corlift.emplace(bin.filePath(QStringLiteral("corlift")), dir.filePath(QStringLiteral("corlift")),
                      m_windows);
    m_bare.emplace(bin.filePath(QStringLiteral("bench-bare-window")), dir.filePath(QStringLiteral("bare")),
                   m_windows);
    m_uploadWindow.emplace(bin.filePath(QStringLiteral("bench-upload-window")),
                           dir.filePath(QStringLiteral("upload-window")), m_windows);

    // The lines of the upload: a header, the data records and the end record.
    m_firmwarePath = dir.filePath(QStringLiteral("corlift/firmware.s19"));
    const QString tevlinIni = m_tevlin->iniPath();
    const QString corliftIni = m_corlift->iniPath();
    const bool written =
        writeFile(m_firmwarePath,
                  BootLoader::sampleFirmware(QStringLiteral("kma840"), m_scale.uploadLines - 2)) &&
        pinInSetupIni(tevlinIni, 1, m_ampPty.devicePath(), 1) &&
        WriteIniValue(QStringLiteral("Tevlin"), QStringLiteral("UpdateSpeed"),
                      QString::number(PollInterval.count()), tevlinIni) &&
        pinInSetupIni(corliftIni, 1, m_bootPty.devicePath(), std::nullopt) &&
        WriteIniValue(QStringLiteral("Corlifter"), QStringLiteral("File name"), m_firmwarePath, corliftIni) &&
        WriteIniValue(QStringLiteral("Corlifter"), QStringLiteral("Delay"), QString::number(DelayMs),
                      corliftIni);
    if (!written) {
        error = QStringLiteral("cannot write the programs' files in %1").arg(dir.path());
        return false;
    }
    return true;
}

const QStringList Bench::Groups{QStringLiteral("start-up"), QStringLiteral("windows"),
                                QStringLiteral("firmware"), QStringLiteral("flash"),
                                QStringLiteral("network"),  QStringLiteral("save"),
                                QStringLiteral("scan")};

std::vector<Row> Bench::run()
{
    const auto wanted = [this](const char* group) {
        return m_options.only.isEmpty() || m_options.only == QLatin1StringView(group);
    };
    std::vector<Row> rows;
    const auto add = [&rows](const std::vector<Row>& more) {
        rows.insert(rows.end(), more.begin(), more.end());
    };
    // Start-ups first, on a machine not yet warmed by the uploads; their rows are printed after
    // Corlift's. Broken rows of a program stand in for all of its rows.
    const std::vector<Row> startUp = wanted("start-up") ? startUpAndMemory() : std::vector<Row>{};
    std::vector<Row> tevlinRows;
    std::vector<Row> corliftRows;
    if (wanted("windows")) {
        tevlinRows = tevlin();
        corliftRows = corlift();
        rows.push_back(cpuWhileWaiting());
    }
    add(corliftRows);
    add(startUp);
    add(tevlinRows);
    if (wanted("firmware"))
        rows.push_back(firmwareCheck());
    if (wanted("flash"))
        add(commandLineUploadRows({m_options.binDir, m_options.smoke, DelayMs}));
    if (wanted("network"))
        add(networkPortRows(m_options.binDir, m_options.smoke));
    if (wanted("save"))
        rows.push_back(saveToPcRow(m_options.smoke));
    if (wanted("scan"))
        rows.push_back(scanRow(m_options.binDir, m_options.smoke));
    return rows;
}

void Bench::measureWaiting(const QString& what, ProgramRun& program, std::chrono::milliseconds notices)
{
    const auto begun = procfs::sampleCpu(program.pid());
    pauseFor(notices + m_scale.settle);
    const auto before = procfs::sampleCpu(program.pid());
    pauseFor(m_scale.cpuWindow);
    const auto after = procfs::sampleCpu(program.pid());
    Waiting waiting{what, std::nullopt, std::nullopt};
    if (begun && before && after && program.isRunning()) {
        waiting.percent = procfs::cpuPercent(*before, *after);
        waiting.noticesMs = ms(before->cpu - begun->cpu);
    }
    m_waiting.push_back(waiting);
}

std::vector<Row> Bench::startUpAndMemory()
{
    m_ampDriver.emplace(m_amp, m_ampPty);
    m_bootLoader.emplace(m_bootPty, bootLoader(true));

    struct Runs
    {
        ProgramRun* program;
        const char* name;
        std::vector<double> startMs;
        // CPU used until the first frame: steadier than the time when other work shares the cores.
        std::vector<double> startCpuMs;
        std::vector<double> residentMib;
    };
    std::vector<Runs> runs{{&*m_bare, "bare", {}, {}, {}},
                           {&*m_tevlin, "Tevlin", {}, {}, {}},
                           {&*m_corlift, "Corlift", {}, {}, {}}};
    // Tevlin's time stamps of its first frame, one run each.
    std::vector<QByteArray> tevlinStamps;
    // The first round fills caches and writes the programs' defaults. The programs
    // take turns, so that a disturbance from outside spreads over all of them.
    for (int round = 0; round < m_scale.warmUp + m_scale.startRuns; ++round) {
        for (Runs& r : runs) {
            if (!r.program->start({QStringLiteral("KORVANES_TIMESTAMPS=1")}))
                return {broken(QStringLiteral("start-up"),
                               QStringLiteral("%1 does not start").arg(QLatin1String(r.name)))};
            const auto shown = r.program->waitForFirstFrame(WindowLimit);
            const auto cpu = procfs::cpuTime(r.program->pid());
            pauseFor(m_scale.settle);
            const auto resident = procfs::residentKib(r.program->pid());
            r.program->stop();
            if (!shown || !cpu || !resident)
                return {broken(QStringLiteral("start-up"),
                               QStringLiteral("%1 showed no frame").arg(QLatin1String(r.name)))};
            if (round >= m_scale.warmUp) {
                if (r.program == &*m_tevlin)
                    tevlinStamps.push_back(r.program->standardError());
                r.startMs.push_back(ms(*shown));
                r.startCpuMs.push_back(ms(*cpu));
                r.residentMib.push_back(double(*resident) / 1024);
            }
        }
    }

    std::vector<Row> rows;
    const double bareStart = median(runs[0].startMs);
    const double bareCpu = median(runs[0].startCpuMs);
    const double bareMemory = median(runs[0].residentMib);
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const Runs& r = runs[i];
        const double start = median(r.startMs);
        const auto [low, high] = std::minmax_element(r.startMs.begin(), r.startMs.end());
        const double cpu = median(r.startCpuMs);
        rows.push_back(
            row(QStringLiteral(
                    "start-up to the first frame on the screen, %1 vs a bare Qt window, median of %2: %3 ms "
                    "(%4-%5) vs %6 ms; CPU until then %7 ms vs %8 ms, %9x (goal <= %10x)")
                    .arg(QLatin1String(r.name))
                    .arg(r.startMs.size())
                    .arg(fixed(start, 1), fixed(*low, 1), fixed(*high, 1), fixed(bareStart, 1), fixed(cpu, 1),
                         fixed(bareCpu, 1), fixed(cpu / bareCpu, 2))
                    .arg(StartUpGoal),
                fixed(start / bareStart, 2) + u'x', start / bareStart <= StartUpGoal));
    }
    rows.push_back(frontPanelFirstPaint(tevlinStamps));
    for (std::size_t i = 1; i < runs.size(); ++i) {
        const Runs& r = runs[i];
        const double memory = median(r.residentMib);
        rows.push_back(
            row(QStringLiteral("resident memory, %1 vs a bare Qt window: %2 MiB vs %3 MiB (goal <= %4x)")
                    .arg(QLatin1String(r.name), fixed(memory, 1), fixed(bareMemory, 1))
                    .arg(MemoryGoal),
                fixed(memory / bareMemory, 2) + u'x', memory / bareMemory <= MemoryGoal));
    }
    return rows;
}

std::optional<QString> Bench::startTevlin(const QStringList& environment)
{
    if (!m_tevlin->start(environment) || !m_tevlin->waitForWindow(WindowLimit))
        return QStringLiteral("Tevlin showed no window");
    // Connect has the keyboard focus when the window opens.
    if (!m_tevlin->type({QStringLiteral("space")}))
        return QStringLiteral("xdotool could not type into Tevlin's window");
    return std::nullopt;
}

std::vector<Row> Bench::tevlin()
{
    const QString roundTrip = QStringLiteral("poll round trip");
    int handshakes = 0;
    int statusRequests = 0;
    const auto count = [&](const QByteArray& packet) {
        handshakes += codeOf(packet) == ConnectRequest;
        statusRequests += codeOf(packet) == StatusRequest;
    };

    // The handshake, never answered.
    m_ampDriver.emplace(m_amp, m_ampPty, unanswered());
    QObject::connect(&*m_ampDriver, &SimDriver::requestReceived, count);
    if (const auto failed = startTevlin({}))
        return {broken(roundTrip, *failed)};
    if (waitUntil([&] { return handshakes > 0; }, nullptr, StepLimit) != WaitResult::Met)
        return {
            broken(roundTrip,
                   QStringLiteral("Tevlin sent no handshake: does Connect still have the focus at start?"))};
    measureWaiting(QStringLiteral("handshake"), *m_tevlin, TevlinNotices);
    m_tevlin->stop();

    // Answered polls; the volume changes every time, so that the display has something to show.
    m_polls.clear();
    m_ampDriver.emplace(m_amp, m_ampPty);
    std::optional<nanoseconds> requestAt;
    QObject::connect(&*m_ampDriver, &SimDriver::requestReceived, [&](const QByteArray& packet) {
        if (codeOf(packet) != StatusRequest)
            return;
        requestAt = sinceEpoch(Clock::now());
        m_amp.state().volume = m_amp.state().volume == 550 ? 300 : 550;
    });
    QObject::connect(&*m_ampDriver, &SimDriver::replySent, [&](const QByteArray&) {
        if (requestAt)
            m_polls.emplace_back(*requestAt, sinceEpoch(Clock::now()));
        requestAt.reset();
    });
    if (const auto failed = startTevlin({QStringLiteral("KORVANES_TIMESTAMPS=1")}))
        return {broken(roundTrip, *failed)};
    // The first poll lights the whole panel up; only the smoke run, which has no time, counts it.
    const auto polled = [&](int polls) {
        return waitUntil([&] { return int(m_polls.size()) >= polls; }, nullptr,
                         PollInterval * (polls + 1) + StepLimit) == WaitResult::Met;
    };
    if (!polled(m_scale.warmUp + m_scale.polls))
        return {broken(roundTrip, QStringLiteral("Tevlin did not poll"))};
    m_polls.erase(m_polls.begin(), m_polls.begin() + m_scale.warmUp);

    // The next poll goes unanswered.
    m_ampDriver.emplace(m_amp, m_ampPty, unanswered(StatusRequest));
    QObject::connect(&*m_ampDriver, &SimDriver::requestReceived, count);
    statusRequests = 0;
    if (waitUntil([&] { return statusRequests > 0; }, nullptr, PollInterval + StepLimit) != WaitResult::Met)
        return {broken(roundTrip, QStringLiteral("Tevlin stopped polling"))};
    measureWaiting(QStringLiteral("unanswered poll"), *m_tevlin, TevlinNotices);
    m_tevlin->stop();
    return {pollRoundTrip(m_tevlin->standardError())};
}

Row Bench::pollRoundTrip(const QByteArray& timestamps)
{
    const QString measure = QStringLiteral("poll round trip");
    const auto paints = stampedSpans(timestamps)["segments"];
    std::vector<double> roundTrips;
    std::vector<double> toPaint;
    std::vector<double> repaints;
    for (std::size_t i = 0; i < m_polls.size(); ++i) {
        const auto [request, reply] = m_polls[i];
        const nanoseconds until = i + 1 < m_polls.size() ? m_polls[i + 1].first : reply + nanoseconds(1s);
        std::optional<nanoseconds> first;
        nanoseconds last{0};
        nanoseconds painting{0};
        for (const auto& [begin, end] : paints) {
            if (begin < reply || begin >= until)
                continue;
            first = first.value_or(begin);
            last = end;
            painting += end - begin;
        }
        if (!first)
            return broken(
                measure,
                QStringLiteral("no repaint of the display after poll %1 (time stamps on?)").arg(i + 1));
        roundTrips.push_back(ms(last - request));
        toPaint.push_back(ms(*first - reply));
        repaints.push_back(ms(painting));
    }
    const double repaint = median(repaints);
    return row(QStringLiteral(
                   "poll round trip, request at ampsim -> panel repainted %1 ms, of which reply -> "
                   "repaint starts %2 ms; seven-segment repaint, value changed, median of %3 (goal <= %4 ms)")
                   .arg(fixed(median(roundTrips), 2), fixed(median(toPaint), 2))
                   .arg(repaints.size())
                   .arg(RepaintGoalMs),
               fixed(repaint, 2) + QStringLiteral(" ms"), repaint <= RepaintGoalMs);
}

std::optional<QString> Bench::openCorliftPort(bool stamped)
{
    const QStringList environment =
        stamped ? QStringList{QStringLiteral("KORVANES_TIMESTAMPS=1")} : QStringList{};
    if (!m_corlift->start(environment) || !m_corlift->waitForWindow(WindowLimit))
        return QStringLiteral("Corlift showed no window");
    // From the file name: Browse, then Open Comm Port (Upload, after it, is still disabled).
    if (!m_corlift->type({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("space")}))
        return QStringLiteral("xdotool could not type into Corlift's window");
    const QString device = m_bootPty.devicePath();
    if (waitUntil([&] { return procfs::hasOpen(m_corlift->pid(), device); }, nullptr, StepLimit) !=
        WaitResult::Met)
        return QStringLiteral(
            "Corlift did not open the port: is Open Comm Port two tabs from the file name?");
    return std::nullopt;
}

std::variant<Bench::CorliftUpload, QString> Bench::corliftUpload(bool stamped)
{
    // The boot loader wakes up and announces itself; Corlift waits for the user to press Upload.
    m_bootLoader.emplace(m_bootPty, bootLoader(true));
    UploadCpu cpu(*m_bootLoader, [this] { return m_corlift->pid(); });
    // The upload is over when Corlift has recorded its outcome.
    QFileSystemWatcher watcher({QFileInfo(m_corlift->iniPath()).path()});
    std::optional<nanoseconds> recorded;
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, [&] {
        QFile ini(m_corlift->iniPath());
        if (!recorded && ini.open(QIODevice::ReadOnly) && ini.readAll().contains("Status=Succes"))
            recorded = sinceEpoch(Clock::now());
    });
    // The previous round's record goes, so that only this one's counts.
    if (!WriteIniValue(QStringLiteral("Corlifter"), QStringLiteral("Status"), QStringLiteral("None"),
                       m_corlift->iniPath()))
        return QStringLiteral("cannot write %1").arg(m_corlift->iniPath());
    pauseFor(m_options.smoke ? 500ms : 1s);
    if (!m_corlift->type({QStringLiteral("Tab"), QStringLiteral("space")}))
        return QStringLiteral("xdotool could not type into Corlift's window");
    const auto expected = std::chrono::milliseconds(DelayMs) * m_scale.uploadLines;
    if (waitUntil([&] { return recorded.has_value(); }, nullptr, expected * 2 + StepLimit) !=
            WaitResult::Met ||
        !cpu.answered())
        return cpu.lines() == 0
                   ? QStringLiteral("Corlift sent nothing: is Upload one tab after Close Comm Port?")
                   : QStringLiteral("Corlift did not record a successful upload");
    m_corlift->stop();

    CorliftUpload upload;
    upload.lines = cpu.lines();
    if (stamped) {
        // Corlift's own time stamps around each line it writes: a pause is the time between two of them.
        const auto sent = stampedSpans(m_corlift->standardError())["line"];
        if (int(sent.size()) != cpu.lines())
            return QStringLiteral("Corlift stamped %1 lines, ampsim received %2 (time stamps on?)")
                .arg(sent.size())
                .arg(cpu.lines());
        upload.took = *recorded - sent.front().first;
        upload.shortestPause = upload.took;
        for (std::size_t i = 1; i < sent.size(); ++i)
            upload.shortestPause = std::min(upload.shortestPause, sent[i].first - sent[i - 1].second);
    }
    if (!cpu.percent())
        return QStringLiteral("no CPU time read for Corlift");
    upload.cpuPercent = *cpu.percent();
    return upload;
}

std::variant<double, QString> Bench::referenceUpload()
{
    m_bootLoader.emplace(m_bootPty, bootLoader(false));
    m_uploadWindow->setArguments({m_bootPty.devicePath(), m_firmwarePath, QString::number(DelayMs)});
    if (!m_uploadWindow->start() || !m_uploadWindow->waitForWindow(WindowLimit))
        return QStringLiteral("the reference showed no window");
    const QString device = m_bootPty.devicePath();
    if (waitUntil([&] { return procfs::hasOpen(m_uploadWindow->pid(), device); }, nullptr, StepLimit) !=
        WaitResult::Met)
        return QStringLiteral("the reference did not open the port");
    pauseFor(m_options.smoke ? 500ms : 1s);
    m_bootLoader.emplace(m_bootPty, bootLoader(true));
    UploadCpu cpu(*m_bootLoader, [this] { return m_uploadWindow->pid(); });
    const auto expected = std::chrono::milliseconds(DelayMs) * m_scale.uploadLines;
    const bool ended = waitUntil([&] { return !m_uploadWindow->isRunning(); }, nullptr,
                                 expected * 2 + StepLimit) == WaitResult::Met;
    m_uploadWindow->stop();
    if (!ended || !cpu.answered() || cpu.lines() != m_scale.uploadLines)
        return QStringLiteral("the reference sent %1 of %2 lines").arg(cpu.lines()).arg(m_scale.uploadLines);
    if (!cpu.percent())
        return QStringLiteral("no CPU time read for the reference");
    return *cpu.percent();
}

std::vector<Row> Bench::corlift()
{
    const QString upload = QStringLiteral("upload");
    m_bootLoader.emplace(m_bootPty, bootLoader(false));
    if (const auto failed = openCorliftPort(true))
        return {broken(upload, *failed)};
    measureWaiting(QStringLiteral("silent boot loader"), *m_corlift);

    // The first upload is timed by Corlift's own stamps; the CPU is taken in the others, without the
    // stamps' writes, with Corlift and the reference taking turns, so that a disturbance from outside
    // spreads over both.
    std::vector<double> corliftCpu;
    std::vector<double> referenceCpu;
    CorliftUpload timed;
    for (int round = 0; round <= m_scale.uploadRounds; ++round) {
        const bool stamped = round == 0;
        if (!stamped) {
            m_bootLoader.emplace(m_bootPty, bootLoader(false));
            if (const auto failed = openCorliftPort(false))
                return {broken(upload, *failed)};
        }
        const auto own = corliftUpload(stamped);
        if (const QString* failed = std::get_if<QString>(&own))
            return {broken(upload, *failed)};
        if (stamped) {
            timed = std::get<CorliftUpload>(own);
            continue;
        }
        const auto reference = referenceUpload();
        if (const QString* failed = std::get_if<QString>(&reference))
            return {broken(upload, *failed)};
        corliftCpu.push_back(std::get<CorliftUpload>(own).cpuPercent);
        referenceCpu.push_back(std::get<double>(reference));
    }
    const double cpu = median(corliftCpu);
    const double bare = median(referenceCpu);
    const double ratio = ms(timed.took) / (double(DelayMs) * timed.lines);
    const nanoseconds shortest = timed.shortestPause;
    const int rounds = m_scale.uploadRounds;
    return {
        row(QStringLiteral("CPU while Corlift uploads %1 lines at Delay %2, vs a bare Qt window sending the "
                           "same, median of %3: %4% vs %5% of a core (goal <= %6x)")
                .arg(m_scale.uploadLines)
                .arg(DelayMs)
                .arg(rounds)
                .arg(fixed(cpu, 3), fixed(bare, 3))
                .arg(UploadCpuGoal),
            fixed(cpu / bare, 2) + u'x', cpu / bare <= UploadCpuGoal),
        row(QStringLiteral(
                "upload time / (%1 lines x %2 ms), first line sent -> result recorded, shortest pause "
                "%3 ms (goal <= %4, no pause under %2 ms)")
                .arg(m_scale.uploadLines)
                .arg(DelayMs)
                .arg(fixed(ms(shortest), 1))
                .arg(UploadTimeGoal),
            fixed(ratio, 4), ratio <= UploadTimeGoal && ms(shortest) >= DelayMs)};
}

Row Bench::cpuWhileWaiting()
{
    constexpr std::size_t Waits = 3;
    if (m_waiting.size() != Waits)
        return broken(QStringLiteral("CPU while waiting"),
                      QStringLiteral("a program did not reach its wait"));
    QStringList parts;
    QStringList notices;
    double worst = 0;
    for (const Waiting& waiting : m_waiting) {
        if (!waiting.percent || !waiting.noticesMs)
            return broken(QStringLiteral("CPU while waiting"),
                          waiting.what + QStringLiteral(": no CPU time read"));
        parts << QStringLiteral("%1 %2%").arg(waiting.what, fixed(*waiting.percent, 4));
        notices << QStringLiteral("%1 %2 ms").arg(waiting.what, fixed(*waiting.noticesMs, 1));
        worst = std::max(worst, *waiting.percent);
    }
    return row(
        QStringLiteral("CPU while waiting, once its notices are shown, worst of %1 over %2 s each; until "
                       "then, once: %3 (goal <= %4% of a core)")
            .arg(parts.join(QStringLiteral(", ")), fixed(m_scale.cpuWindow.count() / 1000.0, 1),
                 notices.join(QStringLiteral(", ")))
            .arg(WaitingCpuGoal),
        fixed(worst, 4) + u'%', worst <= WaitingCpuGoal);
}

Row Bench::firmwareCheck()
{
    // Best of three, so that a disturbance does not pass for the cost of the check.
    const auto nsPerLine = [this](int lines) -> std::optional<double> {
        const QString path = QDir(m_dir.path()).filePath(QStringLiteral("check-%1.s19").arg(lines));
        if (!writeFile(path, BootLoader::sampleFirmware(QStringLiteral("kma840"), lines)))
            return std::nullopt;
        double best = 0;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer timer;
            timer.start();
            if (loader::checkFirmwareFile(path).outcome != loader::CheckOutcome::Valid)
                return std::nullopt;
            const double each = double(timer.nsecsElapsed()) / lines;
            best = run == 0 ? each : std::min(best, each);
        }
        return best;
    };
    // The large file stays below the check's 4 MiB limit for a firmware file.
    const int small = m_scale.checkLines;
    const int large = small * 10;
    const auto smallCost = nsPerLine(small);
    const auto largeCost = nsPerLine(large);
    if (!smallCost || !largeCost)
        return broken(QStringLiteral("firmware check"),
                      QStringLiteral("a made-up firmware file did not pass the check"));
    const double growth = *largeCost / *smallCost;
    return row(QStringLiteral("firmware check, %1 lines vs %2: %3x the cost per line (goal linear, <= %4x)")
                   .arg(large)
                   .arg(small)
                   .arg(fixed(growth, 2))
                   .arg(LinearGoal),
               fixed(*largeCost, 0) + QStringLiteral(" ns per line"), growth <= LinearGoal);
}
