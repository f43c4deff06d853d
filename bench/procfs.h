#pragma once

#include <QString>
#include <chrono>
#include <optional>

// What the kernel tells about another process, read from /proc.
namespace procfs {

// CPU time used so far by all threads of `pid`, those that ended since an earlier call with the
// time they had then. The per-thread schedstat counts nanoseconds;
// /proc/<pid>/stat counts clock ticks (10 ms), too coarse for a waiting program, and is only the
// fallback.
std::optional<std::chrono::nanoseconds> cpuTime(qint64 pid);

// The steady clock and the CPU time of a process at one moment.
struct CpuSample
{
    std::chrono::nanoseconds at;
    std::chrono::nanoseconds cpu;
};
std::optional<CpuSample> sampleCpu(qint64 pid);
// The share of a core used from `from` to `to`, in percent; none when no time passed.
std::optional<double> cpuPercent(const CpuSample& from, const CpuSample& to);

// Resident memory (VmRSS) in kibibytes.
std::optional<qint64> residentKib(qint64 pid);

// Whether `pid` holds `path` open.
bool hasOpen(qint64 pid, const QString& path);

} // namespace procfs
