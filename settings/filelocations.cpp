#include "settings/filelocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool isWritableDirectory(const QString& directory)
{
    // QFileInfo::isWritable only reads permission bits; a real file tells the truth on every
    // platform (read-only mounts, ACLs, Program Files).
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral("write-test-XXXXXX")));
    return probe.open();
}

} // namespace

QString dataDirectoryFor(const QString& programDirectory, const QString& userDirectory)
{
    if (isWritableDirectory(programDirectory))
        return programDirectory;
    QDir().mkpath(userDirectory);
    return userDirectory;
}

QString dataDirectory()
{
    const QString user =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/korvanes");
    return dataDirectoryFor(QCoreApplication::applicationDirPath(), user);
}

QString SetupIniPath()
{
    return QDir(dataDirectory()).filePath(QStringLiteral("setup.ini"));
}

QString logFilePath(const QString& setupIniPath)
{
    return QFileInfo(setupIniPath).dir().filePath(QStringLiteral("Log.txt"));
}
