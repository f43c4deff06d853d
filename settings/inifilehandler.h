#pragma once

#include <QString>

// Every access to setup.ini goes through these two. Text is kept in the file's single-byte code
// page (Latin-1 here), so any byte read is written back unchanged.

// The stored value (at most 254 characters), or `defaultValue` when the file, the section or the
// key is missing or the value is empty. A non-empty default is then written under the key.
QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName);

// Writes one key, creating file, section and key as needed. The file is replaced as a whole
// (temporary file, then rename), so a failed write leaves the old file intact. False when the
// file could not be written.
bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName);
