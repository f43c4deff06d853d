#include "setup/configfile.h"

#include "protocol/models.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"

#include <QFile>
#include <QHash>
#include <QSaveFile>

namespace setup {
namespace {

// A configuration is a few kilobytes; anything far larger is no file of ours and is not read.
constexpr qint64 LargestFile = 256 * 1024;

const QString NameKey = QStringLiteral("Name");

bool isStored(const Field& f)
{
    return f.ini.form != IniForm::None && f.ini.form != IniForm::Value;
}

// The name travels in the file when the amplifier keeps one that Update writes.
bool nameTravels(const ModelSpec& spec)
{
    const Field& name = spec.fields[spec.nameField];
    return name.read.exists() && name.write.exists();
}

// A name as the amplifier keeps it: cut to its length, without the padding.
QString keptText(const Field& f, const QString& text)
{
    return QString::fromLatin1(textBytes(text).left(f.textLength)).trimmed();
}

// A value as the amplifier tells it apart: a check by its bit alone, a relative volume of "-0,0"
// as 0.
int comparable(const Field& f, int value)
{
    if (f.kind == Kind::Check)
        return ((f.mask != 0 ? value & f.mask : value) != 0) != f.inverted ? 1 : 0;
    return value == NegativeZero ? 0 : value;
}

bool sameValue(const Field& f, int i, const Values& a, const Values& b)
{
    if (f.kind == Kind::Text)
        return keptText(f, a.text[i]) == keptText(f, b.text[i]);
    return comparable(f, a.number[i]) == comparable(f, b.number[i]);
}

// The value as the dialog names it, without the keyboard mnemonic's marker; else as it is stored.
QString labelOf(const ModelSpec& spec, int i)
{
    const Field& f = spec.fields[i];
    if (f.caption) {
        QString label = QString::fromLatin1(f.caption);
        for (qsizetype at = label.indexOf(u'&'); at >= 0; at = label.indexOf(u'&', at + 1))
            label.remove(at, 1);
        return label;
    }
    if (i == spec.nameField)
        return NameKey;
    return f.ini.key ? QString::fromLatin1(f.ini.key) : QString::fromLatin1(f.name);
}

// Each field's text as Save to PC writes it, the name's as the box shows it.
QHash<int, QString> storedTexts(const ModelSpec& spec, Controls controls, const Values& values)
{
    QHash<int, QString> texts;
    const StoredPairs pairs = storedPairs(spec, controls, values);
    qsizetype next = 0;
    for (qsizetype i = 0; i < qsizetype(spec.fields.size()); ++i) {
        if (spec.fields[i].ini.form != IniForm::None)
            texts.insert(int(i), pairs.value(next++).second);
    }
    texts.insert(spec.nameField, controls[spec.nameField].text.trimmed());
    return texts;
}

struct Loaded
{
    Controls controls;
    Restore restore;
};

Loaded loadAndEncode(const ModelSpec& spec, const ConfigFile& file, const Values& read, bool keepLink)
{
    Loaded loaded{loadedControls(spec, read), {{}, read, {}}};
    Controls& c = loaded.controls;
    const Controls amplifier = c;
    loaded.restore.missing = loadConfig(spec, file, c);
    if (keepLink) {
        c[spec.addressField] = amplifier[spec.addressField];
        c[spec.speedField] = amplifier[spec.speedField];
    }
    loaded.restore.data = encode(spec, c, loaded.restore.sent);
    return loaded;
}

} // namespace

QString modelCaption(int modelCode)
{
    const ModelRecord* model = modelRecord(modelCode);
    return model ? QString::fromLatin1(model->caption.data(), qsizetype(model->caption.size()))
                 : QStringLiteral("model %1").arg(modelCode);
}

QByteArray configFileBytes(const ModelSpec& spec, Controls& controls, const Values& values,
                           const ConfigOrigin& origin, const QDateTime& now)
{
    SavedSection saved = savedSection(spec, controls, values, now);
    if (saved.name.trimmed().isEmpty())
        saved.name = modelCaption(origin.modelCode);
    saved.pairs.append({QString::fromLatin1(ModelKey), modelCaption(origin.modelCode)});
    saved.pairs.append({QString::fromLatin1(ModelCodeKey), QString::number(origin.modelCode)});
    saved.pairs.append({QString::fromLatin1(FirmwareKey), QString::number(origin.firmwareVersion)});
    saved.pairs.append({QString::fromLatin1(DateKey), now.toUTC().toString(Qt::ISODate)});
    saved.pairs.append({QString::fromLatin1(ProgramKey), origin.program});
    IniDocument document = IniDocument::parse({});
    for (const auto& [key, text] : std::as_const(saved.pairs))
        document.setValue(saved.name, key, text);
    return document.serialize();
}

std::optional<QString> writeConfigFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    return std::nullopt;
}

std::optional<QString> ConfigFile::value(const QString& key) const
{
    std::optional<QString> text = document.value(section, key);
    if (text && text->isEmpty())
        return std::nullopt;
    return text;
}

QString ConfigFile::modelName() const
{
    if (modelCode)
        return modelCaption(*modelCode);
    return value(QString::fromLatin1(ModelKey)).value_or(QStringLiteral("an unknown model"));
}

std::variant<ConfigFile, QString> parseConfigFile(const QByteArray& bytes)
{
    ConfigFile file{{}, IniDocument::parse(bytes), std::nullopt};
    const QStringList sections = file.document.sections();
    if (sections.isEmpty())
        return QStringLiteral("holds no section");
    file.section = sections.front();
    bool number = false;
    const int code = file.value(QString::fromLatin1(ModelCodeKey)).value_or(QString()).toInt(&number);
    if (number)
        file.modelCode = code;
    return file;
}

std::variant<ConfigFile, QString> readConfigFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    if (file.size() > LargestFile)
        return QStringLiteral("%1: too large for a configuration file").arg(path);
    auto parsed = parseConfigFile(file.read(LargestFile));
    if (QString* problem = std::get_if<QString>(&parsed))
        *problem = QStringLiteral("%1: %2").arg(path, *problem);
    return parsed;
}

QStringList loadConfig(const ModelSpec& spec, const ConfigFile& file, Controls& controls)
{
    QStringList missing;
    loadStored(spec, controls, [&](const QString& key, const QString& defaultText) {
        if (std::optional<QString> text = file.value(key))
            return *text;
        missing << key;
        return defaultText;
    });
    if (nameTravels(spec)) {
        if (std::optional<QString> name = file.value(NameKey))
            controls[spec.nameField].text = name->trimmed();
        else
            missing << NameKey;
    }
    return missing;
}

Controls loadedControls(const ModelSpec& spec, const Values& values)
{
    Controls controls = controlsFor(spec, values);
    controls[spec.nameField].text = controls[spec.nameField].text.trimmed();
    return controls;
}

Restore restoreFrom(const ModelSpec& spec, const ConfigFile& file, const Values& read, bool keepLink)
{
    return loadAndEncode(spec, file, read, keepLink).restore;
}

QList<Difference> differences(const ModelSpec& spec, const ConfigFile& file, const Values& read,
                              QStringList* missing)
{
    const Loaded fromFile = loadAndEncode(spec, file, read, false);
    if (missing)
        *missing = fromFile.restore.missing;
    // The amplifier's side passes the same rules, so that only what the file changes shows.
    Controls amplifier = loadedControls(spec, read);
    Values amplifierValues = read;
    encode(spec, amplifier, amplifierValues);
    const QHash<int, QString> fileTexts = storedTexts(spec, fromFile.controls, fromFile.restore.sent);
    const QHash<int, QString> amplifierTexts = storedTexts(spec, amplifier, amplifierValues);
    QList<Difference> found;
    for (int i = 0; i < int(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        const bool compared = isStored(f) || (i == spec.nameField && nameTravels(spec));
        if (!compared || !f.write.exists() || sameValue(f, i, fromFile.restore.sent, amplifierValues))
            continue;
        found.append({i, labelOf(spec, i), fileTexts.value(i), amplifierTexts.value(i)});
    }
    return found;
}

QList<Difference> notTaken(const ModelSpec& spec, const Values& sent, const Values& readBack)
{
    const QHash<int, QString> sentTexts = storedTexts(spec, loadedControls(spec, sent), sent);
    const QHash<int, QString> readTexts = storedTexts(spec, loadedControls(spec, readBack), readBack);
    QList<Difference> found;
    for (int i = 0; i < int(spec.fields.size()); ++i) {
        const Field& f = spec.fields[i];
        if (!f.write.exists() || !f.read.exists() || sameValue(f, i, sent, readBack))
            continue;
        const auto text = [&](const QHash<int, QString>& texts, const Values& v) {
            return f.kind == Kind::Text ? keptText(f, v.text[i])
                                        : texts.value(i, QString::number(v.number[i]));
        };
        found.append({i, labelOf(spec, i), text(sentTexts, sent), text(readTexts, readBack)});
    }
    return found;
}

} // namespace setup
