#pragma once

#include "bench/procfs.h"
#include "bench/row.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class BootLoader;

// The CPU a process uses while it sends a firmware file: from the first line the boot loader
// received to its answer after the last line, so that starting up and the outcome's record stay out.
class UploadCpu
{
public:
    UploadCpu(BootLoader& loader, std::function<qint64()> pid);

    bool answered() const { return m_end.has_value(); }
    int lines() const { return m_lines; }
    // Percent of a core; none until answered, or when /proc could not be read.
    std::optional<double> percent() const;

private:
    std::function<qint64()> m_pid;
    int m_lines = 0;
    std::optional<procfs::CpuSample> m_begin;
    std::optional<procfs::CpuSample> m_end;
};

// Where the benchmark's programs are, and how much of each measure the run takes.
struct UploadScale
{
    QString binDir;
    bool smoke = false;
    int delayMs = 150;
};

// The command line's upload against a plain event loop sending the same lines, and corlift --flash
// on many ports at once: pacing of each port and the CPU as the ports grow.
std::vector<Row> commandLineUploadRows(const UploadScale& scale);
