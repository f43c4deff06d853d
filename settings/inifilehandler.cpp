#include "settings/inifilehandler.h"

#include "settings/inidocument.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr qsizetype MaxValueLength = 254;

IniDocument load(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return IniDocument::parse({});
    return IniDocument::parse(file.readAll());
}

} // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& defaultValue,
                     const QString& fileName)
{
    const auto stored = load(fileName).value(section.toLatin1(), key.toLatin1());
    if (stored && !stored->isEmpty())
        return QString::fromLatin1(stored->left(MaxValueLength));
    if (!defaultValue.isEmpty())
        WriteIniValue(section, key, defaultValue, fileName);
    return defaultValue;
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& fileName)
{
    IniDocument document = load(fileName);
    document.setValue(section.toLatin1(), key.toLatin1(), value.toLatin1());

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray content = document.serialize();
    if (file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
