#include "settings/inifilehandler.h"

#include "settings/inidocument.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSysInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr qsizetype MaxValueLength = 254;
// A settings file is a few kilobytes; anything far larger is not one we should load or rewrite.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
// A holder that died is seen at once (its process is gone); a lock file older than this whose
// holder cannot be told alive is taken over.
constexpr int StaleLockMs = 10000;
// File systems keep modification times as coarsely as two seconds (FAT). An edit of the same size
// within that time after a read may leave the whole stamp as it was, so such a read is not kept.
constexpr qint64 StampGrainMs = 2000;

// Devices and directories are never settings files (and a device may never end).
enum class FileKind
{
    Missing,
    Regular,
    Other,
};

// What a file looked like: a rewrite by rename or an edit in place changes at least one part.
struct FileStamp
{
    FileKind kind = FileKind::Missing;
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const QString& fileName)
{
    FileStamp stamp;
#ifdef Q_OS_UNIX
    struct stat status
    {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return stamp;
    constexpr qint64 NsPerSecond = 1000000000;
    stamp.kind = S_ISREG(status.st_mode) ? FileKind::Regular : FileKind::Other;
    stamp.device = qint64(status.st_dev);
    stamp.inode = qint64(status.st_ino);
    stamp.size = qint64(status.st_size);
#ifdef Q_OS_DARWIN
    const timespec modified = status.st_mtimespec;
    const timespec changed = status.st_ctimespec;
#else
    const timespec modified = status.st_mtim;
    const timespec changed = status.st_ctim;
#endif
    stamp.modifiedNs = qint64(modified.tv_sec) * NsPerSecond + modified.tv_nsec;
    stamp.changedNs = qint64(changed.tv_sec) * NsPerSecond + changed.tv_nsec;
#else
    const QFileInfo info(fileName);
    if (!info.exists())
        return stamp;
    stamp.kind = info.isFile() ? FileKind::Regular : FileKind::Other;
    stamp.size = info.size();
    stamp.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    stamp.changedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
#endif
    return stamp;
}

// A file as read: its bytes and their document.
struct Snapshot
{
    QByteArray content;
    IniDocument document;
};

// The file, or nothing when it must not be loaded (too large, or not a file). A missing or
// unreadable file is empty.
std::optional<Snapshot> load(const QString& fileName, FileKind kind)
{
    switch (kind) {
    case FileKind::Missing:
        return Snapshot{{}, IniDocument::parse({})};
    case FileKind::Other:
        return std::nullopt;
    case FileKind::Regular:
        break;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Snapshot{{}, IniDocument::parse({})};
    // One byte more than the size tells a file that grew while it was read.
    const qint64 size = file.size();
    const QByteArray content = size <= MaxFileSize ? file.read(size + 1) : QByteArray();
    if (size > MaxFileSize || content.size() > size) {
        // Rewriting what was read would cut the file: refuse, and say why.
        qWarning("%s is larger than %lld bytes: not read, not changed", qPrintable(fileName), MaxFileSize);
        return std::nullopt;
    }
    return Snapshot{content, IniDocument::parse(content)};
}

// The files as last read, by path, so that a program's many reads at start-up read and parse the
// file once. Whoever edits the file, the next read sees the edit: the stamp tells.
struct CachedFile
{
    FileStamp stamp;
    Snapshot snapshot;
};
QMutex cacheMutex;
QHash<QString, CachedFile> cache;

std::optional<Snapshot> current(const QString& fileName)
{
    // The stamp is taken before the read: an edit during the read changes it for the next one.
    const FileStamp stamp = stampOf(fileName);
    const QMutexLocker locked(&cacheMutex);
    const auto cached = cache.constFind(fileName);
    if (cached != cache.constEnd() && cached->stamp == stamp)
        return cached->snapshot;
    const qint64 readAtMs = QDateTime::currentMSecsSinceEpoch();
    auto snapshot = load(fileName, stamp.kind);
    if (snapshot && stamp.kind == FileKind::Regular && readAtMs - stamp.modifiedNs / 1000000 > StampGrainMs)
        cache.insert(fileName, {stamp, *snapshot});
    else
        cache.remove(fileName);
    return snapshot;
}

// The file as last read when it is still that file; nothing (and no read) otherwise.
std::optional<Snapshot> cached(const QString& fileName)
{
    const FileStamp stamp = stampOf(fileName);
    const QMutexLocker locked(&cacheMutex);
    const auto found = cache.constFind(fileName);
    if (found == cache.constEnd() || found->stamp != stamp)
        return std::nullopt;
    return found->snapshot;
}

QString lockPath(const QString& fileName)
{
    return fileName + QStringLiteral(".lock");
}

QString shownName(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// Who holds a lock, as its file says: "corlift (process 4711)", with the host when it is another.
struct LockHolder
{
    qint64 pid = 0;
    QString host;
    QString application;
    qint64 modifiedNs = 0;
    bool operator==(const LockHolder&) const = default;

    QString words() const
    {
        const QString program = application.isEmpty() ? QStringLiteral("a program") : application;
        if (host.isEmpty() || host == QSysInfo::machineHostName())
            return QStringLiteral("%1 (process %2)").arg(program).arg(pid);
        return QStringLiteral("%1 (process %2 on %3)").arg(program).arg(pid).arg(host);
    }
};

std::optional<LockHolder> holderOf(const QLockFile& lock, const QString& lockFileName)
{
    LockHolder holder;
    if (!lock.getLockInfo(&holder.pid, &holder.host, &holder.application))
        return std::nullopt;
    holder.modifiedNs = stampOf(lockFileName).modifiedNs;
    return holder;
}

// Holders that kept the lock through a whole wait: the next write fails at once rather than waiting
// again, for as long as the same holder keeps the same lock.
QMutex hungMutex;
QHash<QString, LockHolder> hungHolders;

// A lock file that names no holder: written by a program killed between creating and filling it,
// or by someone else. A moment after it was made it is nobody's (QLockFile would wait 10 s).
constexpr qint64 UnfilledLockMs = 100;

// Takes the lock within `limit`, in short, uneven steps, so that it is taken between two writes of
// another program rather than after QLockFile's own growing pauses (which let a busy writer starve
// this one). The failure in words when not.
std::optional<QString> takeLock(QLockFile& lock, const QString& fileName, std::chrono::milliseconds limit)
{
    const QString lockFileName = lockPath(fileName);
    lock.setStaleLockTime(StaleLockMs);
    const QDeadlineTimer deadline(limit);
    while (!lock.tryLock(0)) {
        switch (lock.error()) {
        case QLockFile::NoError:
        case QLockFile::LockFailedError:
            break;
        case QLockFile::PermissionError:
            return QStringLiteral("%1 cannot be changed: its folder is read-only for you")
                .arg(shownName(fileName));
        case QLockFile::UnknownError:
            return QStringLiteral("%1 cannot be changed: its lock file %2 cannot be made")
                .arg(shownName(fileName), shownName(lockFileName));
        }
        const std::optional<LockHolder> holder = holderOf(lock, lockFileName);
        {
            const QMutexLocker locked(&hungMutex);
            const auto hung = hungHolders.constFind(lockFileName);
            if (hung != hungHolders.constEnd() && holder == *hung)
                return QStringLiteral("%1 is locked by %2, which does not let it go; it was not changed")
                    .arg(shownName(fileName), hung->words());
        }
        if (!holder) {
            const FileStamp stamp = stampOf(lockFileName);
            const qint64 ageMs = QDateTime::currentMSecsSinceEpoch() - stamp.modifiedNs / 1000000;
            // Removal fails while a live holder keeps its system lock on the file.
            if (stamp.kind == FileKind::Regular && ageMs > UnfilledLockMs && lock.removeStaleLockFile())
                continue;
        }
        if (deadline.hasExpired()) {
            if (!holder)
                return QStringLiteral("%1 is locked by another program (%2); it was not changed")
                    .arg(shownName(fileName), shownName(lockFileName));
            if (limit.count() > 0) {
                const QMutexLocker locked(&hungMutex);
                hungHolders.insert(lockFileName, *holder);
            }
            return QStringLiteral("%1 is locked by %2; it was not changed")
                .arg(shownName(fileName), holder->words());
        }
        QThread::msleep(std::min<qint64>(2 + QRandomGenerator::global()->bounded(10),
                                         std::max<qint64>(1, deadline.remainingTime())));
    }
    const QMutexLocker locked(&hungMutex);
    hungHolders.remove(lockFileName);
    return std::nullopt;
}

// After a rename the new name lives in the directory: sync it too, so that a power cut leaves the
// old file or the new one.
void syncDirectoryOf(const QString& fileName)
{
#ifdef Q_OS_UNIX
    const QByteArray dir = QFile::encodeName(QFileInfo(fileName).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(fileName);
#endif
}

QString tooLarge(const QString& fileName)
{
    return QStringLiteral("%1 is larger than %2 MiB, too large to be a settings file; it was not changed")
        .arg(shownName(fileName))
        .arg(MaxFileSize / (1024 * 1024));
}

IniWriteResult writeValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                           const QString& fileName, std::chrono::milliseconds lockLimit)
{
    // What `file` must become to hold the values: nothing when it already holds them byte for byte,
    // or why it must not be written.
    struct Rewrite
    {
        QString failure;
        std::optional<QByteArray> content;
    };
    const auto rewrite = [&](std::optional<Snapshot> file, FileKind kind) {
        if (!file)
            return Rewrite{
                kind == FileKind::Other
                    ? QStringLiteral("%1 is not a file; it was not changed").arg(shownName(fileName))
                    : tooLarge(fileName),
                {}};
        if (!file->document.setValues(section, values))
            return Rewrite{QStringLiteral("A blank key cannot be stored in %1").arg(shownName(fileName)), {}};
        const QByteArray content = file->document.serialize();
        return Rewrite{{}, content == file->content ? std::nullopt : std::optional(content)};
    };
    // A write that would change nothing takes no lock, when the file as last read still tells.
    if (auto known = cached(fileName)) {
        const Rewrite seen = rewrite(std::move(known), FileKind::Regular);
        if (!seen.failure.isEmpty() || !seen.content)
            return {seen.failure};
    }

    // Both programs may write at once: read, change and replace the file under one lock, or one
    // program's change is lost to the other's rename. The file is read once, under the lock (or
    // not at all, when it is still the file last read).
    QLockFile lock(lockPath(fileName));
    if (const auto failure = takeLock(lock, fileName, lockLimit)) {
        // Held by another program: a write that would change nothing need not have waited for it.
        const Rewrite seen = rewrite(current(fileName), stampOf(fileName).kind);
        return {!seen.failure.isEmpty() || !seen.content ? seen.failure : *failure};
    }
    const FileKind kind = stampOf(fileName).kind;
    const Rewrite fresh = rewrite(current(fileName), kind);
    if (!fresh.failure.isEmpty() || !fresh.content)
        return {fresh.failure};
    const QByteArray& content = *fresh.content;
    QSaveFile save(fileName);
    const auto failed = [&](const QString& why) {
        return IniWriteResult{QStringLiteral("%1 could not be written: %2").arg(shownName(fileName), why)};
    };
    if (!save.open(QIODevice::WriteOnly)) {
        if (QFileInfo::exists(fileName) && !QFileInfo(fileName).isWritable())
            return {QStringLiteral("%1 is read-only; it was not changed").arg(shownName(fileName))};
        return failed(save.errorString());
    }
    // commit() alone does not report a failed flush (a full disk): check it before the rename.
    if (save.write(content) != content.size() || !save.flush()) {
        const QString why = save.errorString();
        save.cancelWriting();
        return failed(why);
    }
    if (!save.commit())
        return failed(save.errorString());
    syncDirectoryOf(fileName);
    return {};
}

// Another program holds the lock for one write, a few milliseconds; a write waits about a second
// for it. Storing a default that a read found missing never waits.
constexpr std::chrono::milliseconds LockTimeout{1000};

} // namespace

std::optional<QString> StoredIniValue(const QString& section, const QString& key, const QString& fileName)
{
    const auto file = current(fileName);
    const auto stored = file ? file->document.value(section, key) : std::nullopt;
    if (!stored || stored->isEmpty())
        return std::nullopt;
    // Never cut between the two halves of a character outside the basic plane.
    const qsizetype length = stored->size() > MaxValueLength && stored->at(MaxValueLength).isLowSurrogate()
                                 ? MaxValueLength - 1
                                 : MaxValueLength;
    return stored->left(length);
}

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName)
{
    if (auto stored = StoredIniValue(section, key, fileName))
        return *stored;
    if (!defaultValue.isEmpty())
        (void)writeValues(section, {{key, defaultValue}}, fileName, std::chrono::milliseconds(0));
    return defaultValue;
}

IniWriteResult WriteIniValue(const QString& section, const QString& key, const QString& value,
                             const QString& fileName)
{
    return WriteIniValues(section, {{key, value}}, fileName);
}

IniWriteResult WriteIniValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                              const QString& fileName)
{
    return writeValues(section, values, fileName, LockTimeout);
}
