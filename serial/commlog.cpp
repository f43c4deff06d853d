#include "serial/commlog.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {
constexpr int BannerWidth = 107;
}

QString CommLog::timestamp(const QDateTime& when)
{
    return when.toString(QStringLiteral("dd.MM.yyyy hh.mm.ss"));
}

QStringList CommLog::banner(const QDateTime& when)
{
    const QString stars(BannerWidth, u'*');
    const QString empty = u'*' + QString(BannerWidth - 2, u' ') + u'*';
    const auto framed = [](const QString& text) { return text.leftJustified(BannerWidth - 1, u' ') + u'*'; };
    return {
        stars, framed(QStringLiteral("*   Logfile for serial comunication between PC and Korvanes products")),
        empty, framed(QStringLiteral("*   Start time : ") + timestamp(when)),
        empty, stars};
}

void CommLog::start()
{
    // A symbolic link is replaced, not followed: its target may be any file of the user's.
    if (QFileInfo(m_path).isSymLink()) {
        QFile::remove(m_path);
    } else if (QFile::exists(m_path)) {
        QFile::setPermissions(m_path, QFile::permissions(m_path) | QFileDevice::WriteOwner);
        QFile::remove(m_path);
    }
    for (const QString& line : banner(QDateTime::currentDateTime()))
        appendLine(line);
}

void CommLog::append(const QString& text)
{
    appendLine(timestamp(QDateTime::currentDateTime()) + u' ' + text);
}

bool CommLog::appendLine(const QString& line)
{
    QFile file;
#ifdef Q_OS_UNIX
    // A link put in the log's place after it started is not followed either.
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
#else
    file.setFileName(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
#endif
    const QByteArray bytes = line.toLatin1() + "\r\n";
    return file.write(bytes) == bytes.size();
}
