#pragma once

#include "settings/inifilehandler.h"
#include "setup/setupmodel.h"

#include <QDateTime>
#include <QLocale>
#include <QPair>
#include <functional>

// A dialog's values on the PC: one section of setup.ini per amplifier, named by the name box.
namespace setup {

using StoredPairs = QList<QPair<QString, QString>>;
using IniReader = std::function<QString(const QString& key, const QString& defaultText)>;

// The model's keys as "Save to PC" writes them, in order; nothing is validated. An attenuation box
// is normalised first, which `controls` shows.
StoredPairs storedPairs(const ModelSpec& spec, Controls& controls, const Values& values,
                        const QLocale& locale = QLocale());
// "Get from PC": every key that is read back, in order, through `read` (which stores a missing
// key's default). An index that names no entry leaves its list without a selection.
void loadStored(const ModelSpec& spec, Controls& controls, const IniReader& read,
                const QLocale& locale = QLocale());

// "Save time": day, month, four-digit year with the locale's date separator, a blank, hours 00..23
// and minutes with its time separator.
QString saveTime(const QDateTime& time, const QLocale& locale = QLocale());

// What "Save to PC" writes: the section's name (the name box's text) and its keys in order, the
// save time, the name and "Saved" first. A configuration file holds the same.
struct SavedSection
{
    QString name;
    QList<std::pair<QString, QString>> pairs;
};
SavedSection savedSection(const ModelSpec& spec, Controls& controls, const Values& values,
                          const QDateTime& now = QDateTime::currentDateTime());

// The same on `iniPath`, in the section named by the name box's text: the whole section in one
// replacement of the file, so that it holds the old save or the new one, never a mix. Get from PC
// stores the defaults of missing keys in one write too.
IniWriteResult saveToPc(const ModelSpec& spec, Controls& controls, const Values& values,
                        const QString& iniPath, const QDateTime& now = QDateTime::currentDateTime());
IniWriteResult getFromPc(const ModelSpec& spec, Controls& controls, const QString& iniPath);
// "Saved" of the section is "True" ("False" is stored when it is missing).
bool savedBefore(const QString& section, const QString& iniPath);

} // namespace setup
