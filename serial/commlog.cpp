#include "serial/commlog.h"

#include <QFile>

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
    if (QFile::exists(m_path)) {
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
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = line.toLatin1() + "\r\n";
    return file.write(bytes) == bytes.size();
}
