#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Log.txt: a banner, then one line per packet sent or received, each line stamped with date and
// time and ended by CR LF. The file is opened and closed for every line, so it is complete on
// disk at any moment; a file that cannot be written loses the line without a word.
class CommLog
{
public:
    explicit CommLog(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }

    // Replaces any existing file with a fresh banner.
    void start();
    void append(const QString& text);

    // "dd.MM.yyyy hh.mm.ss"
    static QString timestamp(const QDateTime& when);
    static QStringList banner(const QDateTime& when);

private:
    bool appendLine(const QString& line);

    QString m_path;
};
