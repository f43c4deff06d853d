#pragma once

#include "bench/programrun.h"
#include "bench/row.h"
#include "bench/windowwatch.h"
#include "sim/ampsim.h"
#include "sim/bootloader.h"
#include "sim/pty.h"
#include "sim/simdriver.h"

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <variant>
#include <vector>

struct BenchOptions
{
    // Where tevlin, corlift and bench-bare-window were built.
    QString binDir;
    // A quick run that only shows that every measure can still be taken.
    bool smoke = false;
    // Only this group of measures (Bench::Groups); all when empty.
    QString only;
};

// The programs against ampsim's amplifier and boot loader, measured from outside: start-up and
// memory against a bare Qt window, CPU while waiting and uploading, upload timing, the poll round
// trip, and the firmware check.
class Bench
{
public:
    Bench(BenchOptions options, WindowWatch& windows);

    // False, with the reason, when the programs or their peers cannot be set up.
    bool prepare(QString& error);
    // Every measure, one row each: CPU while waiting, CPU while uploading, upload time, start-up and
    // memory of each program, the poll round trip, the firmware check; with `only`, that group's.
    std::vector<Row> run();
    // The names --only takes, in the order run() measures them.
    static const QStringList Groups;

private:
    // How long and how often; the smoke run keeps every step but takes the least of each.
    struct Scale
    {
        std::chrono::milliseconds cpuWindow;
        std::chrono::milliseconds settle;
        // Rounds of start-ups and polls that fill caches first and do not count.
        int warmUp;
        int startRuns;
        int polls;
        int uploadLines;
        // Uploads of Corlift and of the reference, taking turns, after Corlift's timed upload.
        int uploadRounds;
        int checkLines;
    };

    // Tevlin waiting for the handshake and for an unanswered poll, and the poll round trip.
    std::vector<Row> tevlin();
    // Corlift waiting for a silent boot loader, then uploading: CPU and upload time.
    std::vector<Row> corlift();
    // Starts Corlift and opens its port with the boot loader still silent.
    std::optional<QString> openCorliftPort(bool stamped);
    struct CorliftUpload
    {
        int lines = 0;
        double cpuPercent = 0;
        std::chrono::nanoseconds took{0};
        std::chrono::nanoseconds shortestPause{0};
    };
    // One upload from Corlift's window, its port open: pressing Upload lets the boot loader announce.
    // `stamped`: Corlift writes time stamps, and the upload's time and pauses are taken from them.
    std::variant<CorliftUpload, QString> corliftUpload(bool stamped);
    // The same lines from a bare Qt window: its CPU while sending, in percent of a core.
    std::variant<double, QString> referenceUpload();
    std::vector<Row> startUpAndMemory();
    Row firmwareCheck();
    Row cpuWhileWaiting();
    // Notes the share of a core `program` uses over the CPU window. The window opens once the wait's
    // notices, the last of them `notices` after the wait began, have been shown and the program
    // settled; what the notices took, once, is noted beside it.
    void measureWaiting(const QString& what, ProgramRun& program,
                        std::chrono::milliseconds notices = std::chrono::milliseconds(0));
    std::optional<QString> startTevlin(const QStringList& environment);
    Row pollRoundTrip(const QByteArray& timestamps);

    BenchOptions m_options;
    Scale m_scale;
    WindowWatch& m_windows;
    QTemporaryDir m_dir;
    QString m_firmwarePath;

    Pty m_ampPty;
    AmpSim m_amp{AmpModel::Vx900};
    std::optional<SimDriver> m_ampDriver;
    Pty m_bootPty;
    std::optional<BootLoader> m_bootLoader;

    std::optional<ProgramRun> m_tevlin;
    std::optional<ProgramRun> m_corlift;
    std::optional<ProgramRun> m_bare;
    std::optional<ProgramRun> m_uploadWindow;

    // Filled by tevlin() and corlift() and reported as one row.
    struct Waiting
    {
        QString what;
        std::optional<double> percent;   // of a core, over the CPU window
        std::optional<double> noticesMs; // CPU from the wait's start to the window's
    };
    std::vector<Waiting> m_waiting;
    // The status requests and replies of the measured polls, on the monotonic clock.
    std::vector<std::pair<std::chrono::nanoseconds, std::chrono::nanoseconds>> m_polls;
};
