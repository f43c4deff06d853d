#include "bench/procfs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <unistd.h>

namespace procfs {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString processDir(qint64 pid)
{
    return QStringLiteral("/proc/%1").arg(pid);
}

std::optional<std::chrono::nanoseconds> cpuTimeFromStat(qint64 pid)
{
    // Fields after the command name, which is in parentheses and may hold blanks: utime and
    // stime are the 12th and 13th of them.
    const QByteArray stat = readAll(processDir(pid) + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const long long ticks = fields[11].toLongLong() + fields[12].toLongLong();
    return std::chrono::nanoseconds(ticks * 1'000'000'000LL / sysconf(_SC_CLK_TCK));
}

} // namespace

std::optional<CpuSample> sampleCpu(qint64 pid)
{
    const auto cpu = cpuTime(pid);
    if (!cpu)
        return std::nullopt;
    return CpuSample{std::chrono::steady_clock::now().time_since_epoch(), *cpu};
}

std::optional<double> cpuPercent(const CpuSample& from, const CpuSample& to)
{
    if (to.at <= from.at)
        return std::nullopt;
    return 100.0 * double((to.cpu - from.cpu).count()) / double((to.at - from.at).count());
}

std::optional<std::chrono::nanoseconds> cpuTime(qint64 pid)
{
    // A thread that ends (Qt's pooled painting threads do after 30 idle seconds) takes its time out
    // of the sum: it counts with the time it had when last seen, so the total never goes back.
    static std::map<std::pair<qint64, QString>, long long> lastSeen;
    const QDir tasks(processDir(pid) + QStringLiteral("/task"));
    const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (threads.isEmpty())
        return std::nullopt;
    for (const QString& thread : threads) {
        const QByteArray schedstat = readAll(tasks.filePath(thread + QStringLiteral("/schedstat")));
        if (schedstat.isEmpty())
            return cpuTimeFromStat(pid);
        lastSeen[{pid, thread}] = schedstat.split(' ').value(0).toLongLong();
    }
    long long total = 0;
    for (auto it = lastSeen.lower_bound({pid, QString()}); it != lastSeen.end() && it->first.first == pid;
         ++it)
        total += it->second;
    return std::chrono::nanoseconds(total);
}

std::optional<qint64> residentKib(qint64 pid)
{
    for (const QByteArray& line : readAll(processDir(pid) + QStringLiteral("/status")).split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return std::nullopt;
}

bool hasOpen(qint64 pid, const QString& path)
{
    const QDir fds(processDir(pid) + QStringLiteral("/fd"));
    for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == path)
            return true;
    }
    return false;
}

} // namespace procfs
