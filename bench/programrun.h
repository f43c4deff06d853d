#pragma once

#include "bench/windowwatch.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// One of the programs under test, copied into a directory of its own so that the setup.ini beside
// it is the benchmark's, started on the X server and worked from the keyboard as a user would.
class ProgramRun
{
public:
    using Clock = std::chrono::steady_clock;

    // `binary` is copied into `directory` (once).
    ProgramRun(const QString& binary, const QString& directory, WindowWatch& windows);
    ~ProgramRun();

    QString iniPath() const;
    // Arguments of the next start().
    void setArguments(const QStringList& arguments) { m_process.setArguments(arguments); }
    // Starts the program; `environment` entries ("NAME=value") are added to the benchmark's own.
    bool start(const QStringList& environment = {});
    // Waits until the program's window is mapped; the time it took from start, if it was.
    std::optional<std::chrono::nanoseconds> waitForWindow(std::chrono::milliseconds limit);
    // Waits until the first frame drawn into the program's window reached the screen, as a person
    // sees the program start; the time it took from start, if it did.
    std::optional<std::chrono::nanoseconds> waitForFirstFrame(std::chrono::milliseconds limit);
    // Keys as xdotool names them ("Tab", "shift+Tab", "space"), typed into the program's window.
    bool type(const QStringList& keys);
    qint64 pid() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // What the program wrote to standard error so far.
    QByteArray standardError();
    void stop();

private:
    QString m_path;
    WindowWatch& m_windows;
    QProcess m_process;
    Clock::time_point m_started;
    std::uint32_t m_window = 0;
    QByteArray m_stderr;
};
