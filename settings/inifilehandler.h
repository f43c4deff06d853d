#pragma once

#include <QString>

// Every access to setup.ini goes through these two. A file of Latin-1 text keeps every byte; text
// that Latin-1 cannot hold turns the file to UTF-8 (see IniDocument).

// The stored value (at most 254 characters), or `defaultValue` when the file, the section or the
// key is missing or the value is empty. A non-empty default is then written under the key. A file
// too large to be ours (over 4 MiB) is not read: the defaults come back and nothing is written.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName);

// Writes one key, creating file, section and key as needed. The file is replaced as a whole
// (temporary file, then rename) under a lock shared with other programs, so a failed write leaves
// the old file intact and no concurrent write is lost. False when the file could not be written,
// the lock not taken, the file is too large, or the key is blank.
bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName);
