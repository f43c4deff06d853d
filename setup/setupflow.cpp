#include "setup/setupflow.h"

#include "setup/configfile.h"
#include "setup/setupcodec.h"
#include "setup/setupstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace setup {

SetupFlow::SetupFlow(const ModelSpec& spec, control::LinkLease& lease, QObject* parent)
    : QObject(parent), m_spec(spec), m_lease(lease), m_link(lease), m_values(emptyValues(spec))
{
    connect(&m_link, &SetupLink::progress, this, [this](const QString& text) {
        m_progress = text;
        setStatus(text);
    });
    connect(&m_link, &SetupLink::notAnswering, this,
            [this] { setStatus(m_progress, SetupLink::notAnsweringText()); });
}

std::optional<control::LinkLease::LinkValues> SetupFlow::linkChange() const
{
    if (!m_loaded || !m_linkChanged)
        return std::nullopt;
    return control::LinkLease::LinkValues{m_values.number[m_spec.addressField],
                                          m_values.number[m_spec.speedField],
                                          m_reset ? control::LinkMove::Reset : control::LinkMove::Changed};
}

void SetupFlow::setStatus(const QString& text, const QString& notice)
{
    m_controls.status = notice.isEmpty() ? text : text + u'\n' + notice;
    emit changed();
}

void SetupFlow::setPhase(Phase phase)
{
    m_phase = phase;
    m_controls.editing = phase == Phase::Editing;
    emit changed();
}

std::optional<Controls> SetupFlow::read()
{
    QList<QByteArray> replies;
    const SetupLink::Outcome outcome = m_link.readAll(m_spec.reads, replies);
    if (outcome == SetupLink::Outcome::Cancelled || m_phase == Phase::Closed)
        return std::nullopt;
    if (outcome == SetupLink::Outcome::Failed) {
        setStatus(tr("The link to the amplifier is down, so its settings could not be read."));
        setPhase(Phase::Empty);
        return std::nullopt;
    }
    // Filled from damaged bytes, Update would write them back as the amplifier's settings (its Link
    // ID among them): nothing is loaded and only Close works.
    if (outcome == SetupLink::Outcome::Damaged) {
        setStatus(SetupLink::damagedText());
        setPhase(Phase::Empty);
        return std::nullopt;
    }
    m_values = decode(m_spec, replies);
    return controlsFor(m_spec, m_values);
}

void SetupFlow::loaded(Controls& c)
{
    checkSaved(c);
    m_loaded = true;
    setPhase(Phase::Editing);
}

void SetupFlow::checkSaved(Controls& c)
{
    QString& name = c[m_spec.nameField].text;
    name = name.trimmed();
    m_controls.upload = savedBefore(name, m_lease.setupIniPath());
}

bool SetupFlow::linkUp()
{
    if (m_lease.isConnected())
        return true;
    setStatus(tr("Not connected: nothing was sent. Connect again in the main window."));
    return false;
}

void SetupFlow::update(Controls& c)
{
    if (m_phase != Phase::Editing || !linkUp())
        return;
    // The packets are framed with the address the amplifier had when the dialog read it.
    const int address = m_values.number[m_spec.addressField];
    const auto data = encode(m_spec, c, m_values);
    emit corrected(c);
    setPhase(Phase::Writing);
    const SetupLink::Outcome outcome = m_link.writeAll(m_spec.packets, data, address);
    if (outcome == SetupLink::Outcome::Cancelled || m_phase == Phase::Closed)
        return;
    if (outcome == SetupLink::Outcome::Failed) {
        m_controls.status = tr("The link went down: not every setting reached the amplifier.");
        setPhase(Phase::Editing);
        return;
    }
    if (m_linkEdited) {
        // The amplifier answers at the new address or speed from now on.
        m_linkChanged = true;
        setPhase(Phase::Closed);
        return;
    }
    m_controls.status = tr("Sent to the amplifier.");
    setPhase(Phase::Editing);
}

void SetupFlow::resetAmplifier()
{
    if (m_phase != Phase::Editing || !linkUp())
        return;
    if (m_link.factoryReset() == SetupLink::Outcome::Done) {
        // The amplifier now answers at its factory address and speed: the main window takes those.
        const Field& address = m_spec.fields[m_spec.addressField];
        const Field& speed = m_spec.fields[m_spec.speedField];
        m_values.number[m_spec.addressField] = QByteArray(address.factory).toInt();
        m_values.number[m_spec.speedField] = QByteArray(speed.factory).toInt() + speed.list.offset;
        m_linkChanged = true;
        m_reset = true;
    }
    setPhase(Phase::Closed);
}

void SetupFlow::fillFactory(Controls& c)
{
    setup::fillFactory(m_spec, c);
    if (m_spec.factoryChecksSaved) {
        checkSaved(c);
        emit changed();
    }
}

void SetupFlow::saveToPc(Controls& c)
{
    const IniWriteResult saved = setup::saveToPc(m_spec, c, m_values, m_lease.setupIniPath());
    if (!saved) {
        setStatus(tr("Not saved: %1.").arg(saved.failure));
        return;
    }
    m_controls.upload = true;
    setStatus(savedText(c[m_spec.nameField].text, m_lease.setupIniPath()));
}

QString SetupFlow::savedText(const QString& section, const QString& iniPath)
{
    // The file lives beside the program or in the user's settings folder: say which.
    const QFileInfo file(iniPath);
    return tr("Saved to %1, section [%2], in %3.")
        .arg(file.fileName(), section, QDir::toNativeSeparators(file.absolutePath()));
}

void SetupFlow::getFromPc(Controls& c)
{
    const IniWriteResult stored = setup::getFromPc(m_spec, c, m_lease.setupIniPath());
    if (!stored)
        setStatus(tr("Filled from this PC, but the missing values' defaults were not stored: %1.")
                      .arg(stored.failure));
}

bool SetupFlow::saveToFile(Controls& c, const QString& path)
{
    const LinkState& s = m_lease.state();
    const ConfigOrigin origin{s.AmpModelCode, static_cast<quint16>(s.AmpFirmwareVersion),
                              QStringLiteral("Tevlin %1").arg(QCoreApplication::applicationVersion())};
    if (const auto problem = writeConfigFile(path, configFileBytes(m_spec, c, m_values, origin))) {
        setStatus(tr("Not saved: %1.").arg(*problem));
        return false;
    }
    setStatus(tr("Saved to %1.").arg(QFileInfo(path).fileName()));
    return true;
}

std::optional<ConfigFile> SetupFlow::configFile(const QString& path)
{
    auto file = readConfigFile(path);
    if (const QString* problem = std::get_if<QString>(&file)) {
        setStatus(tr("Not read: %1.").arg(*problem));
        return std::nullopt;
    }
    ConfigFile& config = std::get<ConfigFile>(file);
    const int model = m_lease.state().AmpModelCode;
    if (config.modelCode && *config.modelCode != model) {
        setStatus(tr("The model of %1 is %2, this amplifier's %3: nothing was changed.")
                      .arg(QFileInfo(path).fileName(), config.modelName(), modelCaption(model)));
        return std::nullopt;
    }
    return std::move(config);
}

bool SetupFlow::loadFromFile(Controls& c, const QString& path)
{
    const std::optional<ConfigFile> file = configFile(path);
    if (!file)
        return false;
    const QStringList missing = loadConfig(m_spec, *file, c);
    QString text =
        tr("Filled from %1; press Update to send it to the amplifier.").arg(QFileInfo(path).fileName());
    if (!missing.isEmpty())
        text += u'\n' + tr("Not in the file, defaults used: %1.").arg(missing.join(QStringLiteral(", ")));
    setStatus(text);
    return true;
}

QList<int> SetupFlow::compareWithFile(const Controls& c, const QString& path)
{
    const std::optional<ConfigFile> file = configFile(path);
    if (!file)
        return {};
    // The form's values as Update would take them.
    Controls shown = c;
    Values values = m_values;
    encode(m_spec, shown, values);
    QList<int> fields;
    QStringList lines;
    for (const Difference& d : differences(m_spec, *file, values)) {
        fields << d.field;
        lines << tr("%1: file %2, here %3").arg(d.label, d.fileText, d.amplifierText);
    }
    setStatus(
        lines.isEmpty()
            ? tr("The form holds what %1 holds.").arg(QFileInfo(path).fileName())
            : tr("%1 holds otherwise: %2").arg(QFileInfo(path).fileName(), lines.join(QStringLiteral("; "))));
    return fields;
}

void SetupFlow::close()
{
    // Nothing the user changed since the last Update has been written: the amplifier's link is as
    // it was.
    m_link.cancel();
    setPhase(Phase::Closed);
}

void SetupFlow::boxEdited(int field, const QString& text)
{
    if (field == m_spec.addressField && m_loaded &&
        text != QString::number(m_values.number[m_spec.addressField]))
        m_linkEdited = true;
}

std::optional<int> SetupFlow::listChosen(int field, int index)
{
    const ListRule& rule = m_spec.fields[field].list;
    if (rule.reselect == NoReselect)
        return std::nullopt;
    int& stored = m_values.number[field];
    const int before = stored;
    std::optional<int> shown;
    if (rule.accepts(index))
        stored = index + rule.offset;
    else
        shown = rule.reselect == ReselectStored ? listIndexOf(rule, stored) : rule.reselect;
    if (field == m_spec.speedField && stored != before)
        m_linkEdited = true;
    return shown;
}

} // namespace setup
