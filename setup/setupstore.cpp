#include "setup/setupstore.h"

#include "common/numbers.h"
#include "settings/inifilehandler.h"

#include <cmath>

namespace setup {
namespace {

QString oneDecimal(const QString& text, const QLocale& locale)
{
    const std::optional<double> number = common::parseUserNumber(text);
    return number && std::isfinite(*number) ? common::formatOneDecimal(*number, locale) : text;
}

// A stored attenuation always reads as one: a positive level gets its minus sign.
QString attenuation(const QString& text)
{
    const std::optional<double> number = common::parseUserNumber(text);
    if (!number)
        return QStringLiteral("0");
    return *number > 0 ? u'-' + text : text;
}

// A stored list index: a whole number naming an entry, else no selection.
int storedIndex(const QString& text, const ListRule& rule, int shift)
{
    const std::optional<double> number = common::parseUserNumber(text);
    if (!number || *number != std::floor(*number) || std::abs(*number) > rule.count + 1)
        return -1;
    const int index = static_cast<int>(*number) - shift;
    return index >= 0 && index < rule.count ? index : -1;
}

QChar separatorIn(const QString& format, QChar fallback)
{
    for (const QChar c : format) {
        if (!c.isLetter() && c != u' ' && c != u'\'')
            return c;
    }
    return fallback;
}

QString sectionOf(const ModelSpec& spec, const Controls& controls)
{
    return controls[spec.nameField].text;
}

} // namespace

StoredPairs storedPairs(const ModelSpec& spec, Controls& controls, const Values& values,
                        const QLocale& locale)
{
    StoredPairs pairs;
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const IniKey& ini = spec.fields[i].ini;
        Entry& e = controls[i];
        QString text;
        switch (ini.form) {
        case IniForm::None:
            continue;
        case IniForm::AsTyped:
            text = e.text;
            break;
        case IniForm::Trimmed:
            text = e.text.trimmed();
            break;
        case IniForm::Attenuation:
            e.text = attenuation(e.text);
            [[fallthrough]];
        case IniForm::OneDecimal:
            text = oneDecimal(e.text, locale);
            break;
        case IniForm::Index:
            text = QString::number(e.index);
            break;
        case IniForm::IndexPlusOne:
            text = QString::number(e.index + 1);
            break;
        case IniForm::Check:
            text = e.index != 0 ? QStringLiteral("1") : QStringLiteral("0");
            break;
        case IniForm::Value:
            text = QString::number(values.number[i]);
            break;
        }
        pairs.append({QString::fromLatin1(ini.key), text});
    }
    return pairs;
}

void loadStored(const ModelSpec& spec, Controls& controls, const IniReader& read, const QLocale& locale)
{
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (f.ini.form == IniForm::None || f.ini.form == IniForm::Value)
            continue;
        const QString text = read(QString::fromLatin1(f.ini.key), QString::fromLatin1(f.ini.defaultText));
        Entry& e = controls[i];
        switch (f.ini.form) {
        case IniForm::AsTyped:
        case IniForm::Trimmed:
            e.text = text;
            break;
        case IniForm::OneDecimal:
        case IniForm::Attenuation:
            e.text = oneDecimal(text, locale);
            break;
        case IniForm::Index:
        case IniForm::IndexPlusOne:
            e.index = storedIndex(text, f.list, f.ini.form == IniForm::IndexPlusOne ? 1 : 0);
            break;
        case IniForm::Check:
            e.index = common::numericValue(text) != 0 ? 1 : 0;
            break;
        case IniForm::None:
        case IniForm::Value:
            break;
        }
    }
}

QString saveTime(const QDateTime& time, const QLocale& locale)
{
    const QChar date = separatorIn(locale.dateFormat(QLocale::ShortFormat), u'/');
    const QChar clock = separatorIn(locale.timeFormat(QLocale::ShortFormat), u':');
    return time.toString(QStringLiteral("dd%1MM%1yyyy HH%2mm").arg(date, clock));
}

SavedSection savedSection(const ModelSpec& spec, Controls& controls, const Values& values,
                          const QDateTime& now)
{
    // Names and values pass through the INI writer, which keeps line breaks and "]" out of them.
    SavedSection saved{sectionOf(spec, controls),
                       {{QStringLiteral("Save time"), saveTime(now)},
                        {QStringLiteral("Name"), sectionOf(spec, controls).trimmed()},
                        {QStringLiteral("Saved"), QStringLiteral("True")}}};
    for (const auto& [key, text] : storedPairs(spec, controls, values))
        saved.pairs.append({key, text});
    return saved;
}

IniWriteResult saveToPc(const ModelSpec& spec, Controls& controls, const Values& values,
                        const QString& iniPath, const QDateTime& now)
{
    const SavedSection saved = savedSection(spec, controls, values, now);
    return WriteIniValues(saved.name, saved.pairs, iniPath);
}

IniWriteResult getFromPc(const ModelSpec& spec, Controls& controls, const QString& iniPath)
{
    const QString section = sectionOf(spec, controls);
    QList<std::pair<QString, QString>> missing;
    loadStored(spec, controls, [&](const QString& key, const QString& defaultText) {
        if (auto stored = StoredIniValue(section, key, iniPath))
            return *stored;
        if (!defaultText.isEmpty())
            missing.append({key, defaultText});
        return defaultText;
    });
    return missing.isEmpty() ? IniWriteResult{} : WriteIniValues(section, missing, iniPath);
}

bool savedBefore(const QString& section, const QString& iniPath)
{
    return ReadIniValue(section, QStringLiteral("Saved"), QStringLiteral("False"), iniPath) ==
           QLatin1String("True");
}

} // namespace setup
