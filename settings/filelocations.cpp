#include "settings/filelocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <cstdio>

namespace {

bool isWritableDirectory(const QString& directory)
{
    // QFileInfo::isWritable only reads permission bits; a real file tells the truth on every
    // platform (read-only mounts, ACLs, Program Files).
    QTemporaryFile probe(QDir(directory).filePath(QStringLiteral("write-test-XXXXXX")));
    return probe.open();
}

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity PathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity PathCase = Qt::CaseSensitive;
#endif

bool isAtOrUnder(const QString& path, const QString& root)
{
    return path.compare(root, PathCase) == 0 || path.startsWith(root + u'/', PathCase);
}

} // namespace

bool isInstallLocation(const QString& directory)
{
    const QFileInfo info(directory);
    const QString path = QDir::cleanPath(info.canonicalFilePath().isEmpty() ? info.absoluteFilePath()
                                                                            : info.canonicalFilePath());
#ifdef Q_OS_WIN
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
        const QString root = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!root.isEmpty() && isAtOrUnder(path, QDir::cleanPath(root)))
            return true;
    }
#else
    static const QStringList systemRoots{
        QStringLiteral("/usr"),    QStringLiteral("/bin"),   QStringLiteral("/sbin"),
        QStringLiteral("/lib"),    QStringLiteral("/lib32"), QStringLiteral("/lib64"),
        QStringLiteral("/libx32"), QStringLiteral("/snap"),  QStringLiteral("/nix")};
    for (const QString& root : systemRoots) {
        if (isAtOrUnder(path, root))
            return true;
    }
#endif
    const QDir dir(path);
    if (dir.dirName() != QLatin1String("bin"))
        return false;
    return isAtOrUnder(path, QStringLiteral("/opt")) ||
           QFileInfo(dir.filePath(QStringLiteral("../share"))).isDir();
}

QString dataDirectoryFor(const QString& programDirectory, const QString& userDirectory)
{
    // An install location is not even probed: the probe would leave a file there for a moment.
    if (!isInstallLocation(programDirectory) && isWritableDirectory(programDirectory))
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

std::optional<QString> setupIniPathIn(const QString& directory)
{
    if (directory.isEmpty())
        return SetupIniPath();
    if (!QDir().mkpath(directory))
        return std::nullopt;
    return QDir(directory).absoluteFilePath(QStringLiteral("setup.ini"));
}

QCommandLineOption settingsDirOption()
{
    return QCommandLineOption(QStringLiteral("settings-dir"),
                              QStringLiteral("Keep setup.ini and Log.txt in DIR for this run."),
                              QStringLiteral("DIR"));
}

std::optional<QString> setupIniPathFor(const QCommandLineParser& options)
{
    const QString directory = options.value(QStringLiteral("settings-dir"));
    const std::optional<QString> path = setupIniPathIn(directory);
    if (!path)
        std::fprintf(stderr, "%s: cannot make the directory %s\n",
                     qPrintable(QFileInfo(QCoreApplication::applicationFilePath()).fileName()),
                     qPrintable(directory));
    return path;
}

QString logFilePath(const QString& setupIniPath)
{
    return QFileInfo(setupIniPath).dir().filePath(QStringLiteral("Log.txt"));
}
