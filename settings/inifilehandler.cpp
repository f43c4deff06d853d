#include "settings/inifilehandler.h"

#include "settings/inidocument.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr qsizetype MaxValueLength = 254;
// A settings file is a few kilobytes; anything far larger is not one we should load or rewrite.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

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

IniDocument load(const QString& fileName)
{
    QFile file(fileName);
    if (fileKind(fileName) != FileKind::Regular || !file.open(QIODevice::ReadOnly))
        return IniDocument::parse({});
    return IniDocument::parse(file.read(MaxFileSize));
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName)
{
    const auto stored = load(fileName).value(section.toLatin1(), key.toLatin1());
    if (stored && !stored->isEmpty())
        return QString::fromLatin1(stored->left(MaxValueLength));
    if (!defaultValue.isEmpty())
        WriteIniValue(section, key, defaultValue, fileName);
    return defaultValue;
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName)
{
    IniDocument document = load(fileName);
    document.setValue(section.toLatin1(), key.toLatin1(), value.toLatin1());

    // A save file would write into a device directly, without the rename that makes it safe.
    if (fileKind(fileName) == FileKind::Other)
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = document.serialize();
    // commit() alone does not report a failed flush (a full disk): check it before the rename.
    if (file.write(content) != content.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
