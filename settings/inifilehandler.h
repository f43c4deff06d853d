#pragma once

#include <QList>
#include <QString>
#include <utility>

// Every access to setup.ini goes through these. A file of Latin-1 text keeps every byte; text
// that Latin-1 cannot hold turns the file to UTF-8 (see IniDocument).

// The stored value (at most 254 characters), or `defaultValue` when the file, the section or the
// key is missing or the value is empty. A non-empty default is then written under the key. A file
// too large to be ours (over 4 MiB) is not read: the defaults come back and nothing is written.
// The file is read again only when it changed (its size, times or identity) since the last read.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName);

// Writes one key, creating file, section and key as needed. The file is replaced as a whole
// (temporary file, then rename) under a lock shared with other programs, so a failed write leaves
// the old file intact and no concurrent write is lost. False when the file could not be written,
// the lock not taken, the file is too large, or the key is blank. A file whose bytes the write
// would not change is left alone.
bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName);
// Writes keys of one section in this order as one replacement of the file, so that a reader sees
// all of them or none. False, and nothing written, when one key is blank.
bool WriteIniValues(const QString& section, const QList<std::pair<QString, QString>>& values,
                    const QString& fileName);
