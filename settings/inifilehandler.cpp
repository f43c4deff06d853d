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
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr qsizetype MaxValueLength = 254;
// A settings file is a few kilobytes; anything far larger is not one we should load or rewrite.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
// Another program holds the lock for one write, a few milliseconds. A holder that died is seen at
// once (its process is gone); one that hangs is taken over after the stale time.
constexpr std::chrono::milliseconds LockTimeout{5000};
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
    stamp.modifiedNs = qint64(status.st_mtim.tv_sec) * NsPerSecond + status.st_mtim.tv_nsec;
    stamp.changedNs = qint64(status.st_ctim.tv_sec) * NsPerSecond + status.st_ctim.tv_nsec;
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

void forget(const QString& fileName)
{
    const QMutexLocker locked(&cacheMutex);
    cache.remove(fileName);
}

// Waits in short, uneven steps, so that the lock is taken between two writes of another program
// rather than after QLockFile's own growing pauses (which let a busy writer starve this one).
bool lockWithin(QLockFile& lock, std::chrono::milliseconds limit)
{
    lock.setStaleLockTime(StaleLockMs);
    const QDeadlineTimer deadline(limit);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(2 + QRandomGenerator::global()->bounded(10));
    }
    return true;
}

QString lockPath(const QString& fileName)
{
    return fileName + QStringLiteral(".lock");
}

// A writer killed between writing its temporary file and renaming it leaves "setup.ini.XXXXXX"
// behind. Under the lock no live writer has one, so every such file is stale. Once per file and
// run: the first access is the program's start-up. The lock is only taken when there is
// something to remove.
void removeStaleTemporaries(const QString& fileName)
{
    static QSet<QString> cleaned;
    const QFileInfo info(fileName);
    if (cleaned.contains(info.absoluteFilePath()))
        return;
    const QRegularExpression temporary(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    const QDir dir = info.absoluteDir();
    const auto temporaries = [&] {
        QStringList found;
        for (const QString& name :
             dir.entryList({info.fileName() + QStringLiteral(".??????")}, QDir::Files)) {
            if (temporary.match(name).hasMatch())
                found.append(name);
        }
        return found;
    };
    if (temporaries().isEmpty()) {
        cleaned.insert(info.absoluteFilePath());
        return;
    }
    QLockFile lock(lockPath(fileName));
    if (!lockWithin(lock, LockTimeout))
        return;
    cleaned.insert(info.absoluteFilePath());
    for (const QString& name : temporaries())
        QFile::remove(dir.filePath(name));
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName)
{
    removeStaleTemporaries(fileName);
    const auto file = current(fileName);
    const auto stored = file ? file->document.value(section, key) : std::nullopt;
    if (stored && !stored->isEmpty()) {
        // Never cut between the two halves of a character outside the basic plane.
        const qsizetype length =
            stored->size() > MaxValueLength && stored->at(MaxValueLength).isLowSurrogate()
                ? MaxValueLength - 1
                : MaxValueLength;
        return stored->left(length);
    }
    if (!defaultValue.isEmpty() && file)
        WriteIniValue(section, key, defaultValue, fileName);
    return defaultValue;
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName)
{
    return WriteIniValues(section, {{key, value}}, fileName);
}

bool WriteIniValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                    const QString& fileName)
{
    // What `file` must become to hold the values: nothing when it already holds them byte for byte,
    // false when it must not be written.
    struct Rewrite
    {
        bool allowed = false;
        std::optional<QByteArray> content;
    };
    const auto rewrite = [&](std::optional<Snapshot> file) {
        if (!file)
            return Rewrite{};
        for (const auto& [key, value] : values) {
            if (!file->document.setValue(section, key, value))
                return Rewrite{};
        }
        const QByteArray content = file->document.serialize();
        return Rewrite{true, content == file->content ? std::nullopt : std::optional(content)};
    };
    removeStaleTemporaries(fileName);
    const Rewrite seen = rewrite(current(fileName));
    if (!seen.allowed || !seen.content)
        return seen.allowed;

    // Both programs may write at once: read, change and replace the file under one lock, or one
    // program's change is lost to the other's rename.
    QLockFile lock(lockPath(fileName));
    if (!lockWithin(lock, LockTimeout))
        return false;
    forget(fileName);
    const Rewrite fresh = rewrite(load(fileName, stampOf(fileName).kind));
    if (!fresh.allowed || !fresh.content)
        return fresh.allowed;
    const QByteArray& content = *fresh.content;
    QSaveFile save(fileName);
    if (!save.open(QIODevice::WriteOnly))
        return false;
    // commit() alone does not report a failed flush (a full disk): check it before the rename.
    if (save.write(content) != content.size() || !save.flush()) {
        save.cancelWriting();
        return false;
    }
    return save.commit();
}
