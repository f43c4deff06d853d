#include "settings/inifilehandler.h"

#include "settings/inidocument.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
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

// Devices and directories are never settings files (and a device may never end).
enum class FileKind
{
    Missing,
    Regular,
    Other,
};

FileKind fileKind(const QString& fileName)
{
#ifdef Q_OS_UNIX
    struct stat status
    {};
    if (::stat(QFile::encodeName(fileName).constData(), &status) != 0)
        return FileKind::Missing;
    return S_ISREG(status.st_mode) ? FileKind::Regular : FileKind::Other;
#else
    const QFileInfo info(fileName);
    if (!info.exists())
        return FileKind::Missing;
    return info.isFile() ? FileKind::Regular : FileKind::Other;
#endif
}

// The document, or nothing when the file must not be loaded (too large, or not a file). A missing
// or unreadable file is an empty document.
std::optional<IniDocument> load(const QString& fileName)
{
    switch (fileKind(fileName)) {
    case FileKind::Missing:
        return IniDocument::parse({});
    case FileKind::Other:
        return std::nullopt;
    case FileKind::Regular:
        break;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return IniDocument::parse({});
    // One byte more than the size tells a file that grew while it was read.
    const qint64 size = file.size();
    const QByteArray content = size <= MaxFileSize ? file.read(size + 1) : QByteArray();
    if (size > MaxFileSize || content.size() > size) {
        // Rewriting what was read would cut the file: refuse, and say why.
        qWarning("%s is larger than %lld bytes: not read, not changed", qPrintable(fileName), MaxFileSize);
        return std::nullopt;
    }
    return IniDocument::parse(content);
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

// A writer killed between writing its temporary file and renaming it leaves "setup.ini.XXXXXX"
// behind. Under the lock no live writer has one, so every such file is stale. Once per file and
// run: the first access is the program's start-up.
void removeStaleTemporaries(const QString& fileName, QLockFile& lock)
{
    static QSet<QString> cleaned;
    const QFileInfo info(fileName);
    if (cleaned.contains(info.absoluteFilePath()))
        return;
    if (!lock.isLocked() && !lockWithin(lock, LockTimeout))
        return;
    cleaned.insert(info.absoluteFilePath());
    const QRegularExpression temporary(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName()) + QStringLiteral("\\.[A-Za-z0-9]{6}")));
    const QDir dir = info.absoluteDir();
    const QStringList candidates = dir.entryList({info.fileName() + QStringLiteral(".??????")}, QDir::Files);
    for (const QString& name : candidates) {
        if (temporary.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
    }
}

QString lockPath(const QString& fileName)
{
    return fileName + QStringLiteral(".lock");
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName)
{
    if (fileKind(fileName) != FileKind::Other) {
        QLockFile lock(lockPath(fileName));
        removeStaleTemporaries(fileName, lock);
    }
    const auto document = load(fileName);
    const auto stored = document ? document->value(section, key) : std::nullopt;
    if (stored && !stored->isEmpty()) {
        // Never cut between the two halves of a character outside the basic plane.
        const qsizetype length =
            stored->size() > MaxValueLength && stored->at(MaxValueLength).isLowSurrogate()
                ? MaxValueLength - 1
                : MaxValueLength;
        return stored->left(length);
    }
    if (!defaultValue.isEmpty() && document)
        WriteIniValue(section, key, defaultValue, fileName);
    return defaultValue;
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName)
{
    // Both programs may write at once: read, change and replace the file under one lock, or one
    // program's change is lost to the other's rename.
    if (fileKind(fileName) == FileKind::Other)
        return false;
    QLockFile lock(lockPath(fileName));
    if (!lockWithin(lock, LockTimeout))
        return false;
    removeStaleTemporaries(fileName, lock);

    auto document = load(fileName);
    if (!document || !document->setValue(section, key, value))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = document->serialize();
    // commit() alone does not report a failed flush (a full disk): check it before the rename.
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
