#pragma once

#include <QList>
#include <QString>
#include <optional>
#include <utility>

// Every access to setup.ini goes through these. The file is Latin-1, as the maker's other tools
// write it; a character Latin-1 cannot hold is written as "?" (see IniDocument).

// What became of a write: done (or nothing to change), or why not, in words that name the file
// ("… is read-only", "… is locked by corlift (process 4711)", "… is larger than …").
struct [[nodiscard]] IniWriteResult
{
    QString failure;
    explicit operator bool() const { return failure.isEmpty(); }
};

// The stored value (at most 254 characters), or `defaultValue` when the file, the section or the
// key is missing or the value is empty. A non-empty default is then written under the key, unless
// another program holds the lock at that moment (a read never waits). A file too large to be ours
// (over 4 MiB) is not read: the defaults come back and nothing is written.
// The file is read again only when it changed (its size, times or identity) since the last read.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName);
// The stored value as ReadIniValue gives it, or nothing where it would give the default; writes nothing.
std::optional<QString> StoredIniValue(const QString& section, const QString& key, const QString& fileName);

// Writes one key, creating file, section and key as needed. The file is replaced as a whole
// (temporary file, then rename, then the directory synced) under a lock shared with other
// programs, so a failed write leaves the old file intact and no concurrent write is lost. Fails
// when the file could not be written, the lock not taken within about a second, the file is too
// large, or the key is blank. A file whose bytes the write would not change is left alone.
IniWriteResult WriteIniValue(const QString& section, const QString& key, const QString& value,
                             const QString& fileName);
// Writes keys of one section in this order as one replacement of the file, so that a reader sees
// all of them or none. Nothing is written when one key is blank.
IniWriteResult WriteIniValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                              const QString& fileName);
