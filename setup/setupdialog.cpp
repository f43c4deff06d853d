#include "setup/setupdialog.h"

#include "setup/setupcodec.h"
#include "setup/setupform.h"
#include "setup/setupstore.h"
#include "widgets/numerickeyfilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace setup {

SetupDialog::SetupDialog(const ModelSpec& spec, control::LinkLease& lease, QWidget* parent)
    : QDialog(parent), m_spec(spec), m_lease(lease), m_link(lease), m_values(emptyValues(spec)),
      m_bindings(spec.fields.size())
{
    setWindowTitle(QString::fromLatin1(spec.title));
    auto* column = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblProgress"));
    m_status->setWordWrap(true);
    m_status->hide();
    column->addWidget(m_status);
    connect(&m_link, &SetupLink::progress, this, [this](const QString& text) {
        m_progress = text;
        setStatus(text);
    });
    connect(&m_link, &SetupLink::notAnswering, this,
            [this] { setStatus(m_progress, SetupLink::notAnsweringText()); });
}

SetupDialog::~SetupDialog() = default;

QPushButton* SetupDialog::addButton(const QString& name, const QString& caption, const QString& toolTip)
{
    // Enter in a box must not write to the amplifier: no button is the default.
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setToolTip(toolTip);
    b->setAutoDefault(false);
    return b;
}

QFrame* SetupDialog::addColumn(const QString& heading, QWidget** column)
{
    if (!m_form) {
        m_form = new QWidget(this);
        auto* columns = new QHBoxLayout(m_form);
        columns->setContentsMargins(0, 0, 0, 0);
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, m_form);
    }
    QWidget* made = nullptr;
    QFrame* panel = form::column(m_form, heading, &made);
    m_form->layout()->addWidget(made);
    if (column)
        *column = made;
    return panel;
}

void SetupDialog::finishForm()
{
    auto* column = static_cast<QVBoxLayout*>(layout());

    // Made after the form, so that the buttons come last in the tab order, as on the screen.
    auto* row = new QHBoxLayout;
    m_ok = addButton(QStringLiteral("OKButton"), tr("&Update"), QString::fromLatin1(m_spec.updateToolTip));
    m_cancel = addButton(QStringLiteral("CancelButton"), tr("&Close"), QStringLiteral("Quit"));
    m_default = addButton(QStringLiteral("DefButton"), u'&' + QString::fromLatin1(m_spec.defaultCaption),
                          QString::fromLatin1(m_spec.defaultToolTip));
    m_factory = addButton(QStringLiteral("FactoryButton"), tr("&Factoty set."),
                          QStringLiteral("Fill out with factory settings"));
    m_save = addButton(QStringLiteral("SaveButton"), tr("&Save to PC"), QStringLiteral("Save data to PC"));
    m_upload =
        addButton(QStringLiteral("UploadButton"), tr("&Get from PC"), QStringLiteral("Get data from PC"));
    for (QPushButton* b : {m_ok, m_cancel, m_default, m_factory, m_save, m_upload})
        row->addWidget(b);
    column->addLayout(row);

    connect(m_ok, &QPushButton::clicked, this, [this] { useLink(&SetupDialog::writeToAmplifier); });
    connect(m_cancel, &QPushButton::clicked, this, &SetupDialog::reject);
    connect(m_default, &QPushButton::clicked, this, &SetupDialog::askDefault);
    connect(m_factory, &QPushButton::clicked, this, &SetupDialog::fillFactory);
    connect(m_save, &QPushButton::clicked, this, &SetupDialog::saveToPc);
    connect(m_upload, &QPushButton::clicked, this, &SetupDialog::getFromPc);
}

void SetupDialog::bindBox(int field, QLineEdit* box)
{
    m_bindings[field].box = box;
    if (const Field& f = m_spec.fields[field]; f.kind == Kind::Text && f.textLength > 0)
        box->setMaxLength(f.textLength);
    if (field == m_spec.addressField)
        connect(box, &QLineEdit::textChanged, this, &SetupDialog::addressEdited);
}

void SetupDialog::bindList(int field, QComboBox* list)
{
    list->setCurrentIndex(-1);
    m_bindings[field].list = list;
    connect(list, &QComboBox::currentIndexChanged, this,
            [this, field](int index) { listChanged(field, index); });
}

void SetupDialog::bindCheck(int field, QCheckBox* box)
{
    m_bindings[field].check = box;
}

void SetupDialog::bindLabel(int field, QLabel* label)
{
    m_bindings[field].label = label;
}

QLineEdit* SetupDialog::boxRow(QFormLayout* rows, int field, const QString& name, const QString& caption,
                               const QString& unit)
{
    auto* b = form::box(rows->parentWidget(), name);
    form::addRow(rows, caption, b, unit);
    bindBox(field, b);
    return b;
}

QComboBox* SetupDialog::listRow(QFormLayout* rows, int field, const QString& name, const QString& caption,
                                const QStringList& entries)
{
    auto* l = form::list(rows->parentWidget(), name, entries);
    form::addRow(rows, caption, l);
    bindList(field, l);
    return l;
}

QCheckBox* SetupDialog::checkRow(QFormLayout* rows, int field, const QString& name, const QString& caption)
{
    auto* c = new QCheckBox(caption, rows->parentWidget());
    c->setObjectName(name);
    rows->addRow(c);
    bindCheck(field, c);
    return c;
}

QLineEdit* SetupDialog::nameAndLinkRows(QFormLayout* rows, const QString& hint, const QStringList& speeds)
{
    QWidget* parent = rows->parentWidget();
    const QString name = QStringLiteral("TextAmpName");
    const bool fixed = !m_spec.fields[m_spec.nameField].read.exists();
    auto* box = fixed ? form::readOnlyBox(parent, name, 130) : form::textBox(parent, name, 160);
    form::addRow(rows, tr("&Name"), box, hint);
    bindBox(m_spec.nameField, box);
    boxRow(rows, m_spec.addressField, QStringLiteral("TextDeviceAdr"), tr("Link &ID"));
    listRow(rows, m_spec.speedField, QStringLiteral("CmbLinkSpeed"), tr("Lin&k Speed"), speeds);
    return box;
}

void SetupDialog::volumeRows(QFormLayout* rows, int defVol, int maxVol)
{
    for (QLineEdit* volume :
         {boxRow(rows, defVol, QStringLiteral("TextDefVolume"), tr("Def. &Volume"), QStringLiteral("dB")),
          boxRow(rows, maxVol, QStringLiteral("TextMaxVolume"), tr("Ma&x. Volume"), QStringLiteral("dB"))})
        new widgets::NumericKeyFilter(volume, 1);
}

QList<int> SetupDialog::presetRows(QFormLayout* rows, int preset, int presetLock)
{
    QStringList presets;
    for (int n = 1; n <= 7; ++n)
        presets << QStringLiteral("Preset %1").arg(n);
    presets << QStringLiteral("Bypass");
    listRow(rows, preset, QStringLiteral("CmbPreset"), tr("P&reset"), presets);
    auto* frame = new QGroupBox(QStringLiteral("Avaliable Presets (read only)"), rows->parentWidget());
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    std::array<QCheckBox*, 8> lock{};
    for (int k = 0; k < 8; ++k) {
        lock[k] = new QCheckBox(presets[k], frame);
        lock[k]->setObjectName(QStringLiteral("Check%1").arg(k + 1));
        grid->addWidget(lock[k], k / 2, k % 2);
    }
    rows->addRow(frame);
    bindPresetLock(presetLock, lock);
    return {rows->rowCount() - 2, rows->rowCount() - 1};
}

void SetupDialog::bindPresetLock(int field, const std::array<QCheckBox*, 8>& boxes)
{
    m_bindings[field].lock = boxes;
    // Display only: a click puts the box back.
    for (QCheckBox* box : boxes)
        connect(box, &QCheckBox::toggled, this, [this, field] { showPresetLock(field); });
}

void SetupDialog::showPresetLock(int field)
{
    const auto& boxes = m_bindings[field].lock;
    for (int k = 0; k < int(boxes.size()); ++k) {
        const QSignalBlocker quiet(boxes[k]);
        boxes[k]->setChecked((m_values.number[field] & (1 << k)) == 0);
    }
}

Controls SetupDialog::controls() const
{
    Controls c(m_bindings.size());
    for (qsizetype i = 0; i < m_bindings.size(); ++i) {
        const Binding& b = m_bindings[i];
        if (b.box)
            c[i].text = b.box->text();
        else if (b.list)
            c[i].index = b.list->currentIndex();
        else if (b.check)
            c[i].index = b.check->isChecked() ? 1 : 0;
        else if (b.label)
            c[i].text = b.label->text();
        else
            c[i].index = m_values.number[i];
    }
    return c;
}

void SetupDialog::setControls(const Controls& c)
{
    for (qsizetype i = 0; i < m_bindings.size(); ++i) {
        const Binding& b = m_bindings[i];
        // Only what differs is set, so that the change rules see real changes alone.
        if (b.box) {
            if (b.box->text() != c[i].text)
                b.box->setText(c[i].text);
        } else if (b.list) {
            if (b.list->currentIndex() != c[i].index)
                b.list->setCurrentIndex(c[i].index);
        } else if (b.check) {
            b.check->setChecked(c[i].index != 0);
        } else if (b.label) {
            b.label->setText(c[i].text);
        } else if (b.lock[0]) {
            showPresetLock(int(i));
        }
    }
}

std::optional<control::LinkLease::LinkValues> SetupDialog::linkChange() const
{
    if (!m_loaded || !m_linkChanged)
        return std::nullopt;
    return control::LinkLease::LinkValues{m_values.number[m_spec.addressField],
                                          m_values.number[m_spec.speedField]};
}

void SetupDialog::setStatus(const QString& text, const QString& notice)
{
    m_status->setText(notice.isEmpty() ? text : text + u'\n' + notice);
    m_status->setVisible(!m_status->text().isEmpty());
}

void SetupDialog::setEditing(bool editing)
{
    if (m_form)
        m_form->setEnabled(editing);
    for (QPushButton* b : {m_ok, m_default, m_factory, m_save})
        b->setEnabled(editing);
}

void SetupDialog::run()
{
    setEditing(false);
    m_upload->setEnabled(false);
    // Only a fixed name is known before the amplifier has answered.
    for (qsizetype i = 0; i < qsizetype(m_spec.fields.size()); ++i) {
        if (m_spec.fields[i].kind == Kind::Text && !m_spec.fields[i].read.exists())
            m_bindings[i].box->setText(QString::fromLatin1(m_spec.fields[i].factory));
    }
    // On the screen while it reads, so that "Close" can end a wait that gets no reply.
    setModal(true);
    show();

    QList<QByteArray> replies;
    const SetupLink::Outcome outcome = m_link.readAll(m_spec.reads, replies);
    if (outcome == SetupLink::Outcome::Cancelled || m_leaving)
        return;
    if (outcome == SetupLink::Outcome::Failed) {
        setStatus(tr("The link to the amplifier is down, so its settings could not be read."));
        exec();
        return;
    }
    // Filled from damaged bytes, Update would write them back as the amplifier's settings (its Link
    // ID among them): the dialog stays empty and only Close works.
    if (outcome == SetupLink::Outcome::Damaged) {
        setStatus(SetupLink::damagedText());
        exec();
        return;
    }
    m_values = decode(m_spec, replies);
    setControls(controlsFor(m_spec, m_values));
    setEditing(true);
    trimNameAndCheckSaved();
    m_loaded = true;
    afterLoad();
    emit loaded();
    exec();
}

void SetupDialog::trimNameAndCheckSaved()
{
    QLineEdit* name = m_bindings[m_spec.nameField].box;
    name->setText(name->text().trimmed());
    m_upload->setEnabled(savedBefore(name->text(), m_lease.setupIniPath()));
}

void SetupDialog::listChanged(int field, int index)
{
    const ListRule& rule = m_spec.fields[field].list;
    if (rule.reselect == NoReselect)
        return;
    int& stored = m_values.number[field];
    const int before = stored;
    if (rule.accepts(index))
        stored = index + rule.offset;
    else
        m_bindings[field].list->setCurrentIndex(rule.reselect == ReselectStored ? listIndexOf(rule, stored)
                                                                                : rule.reselect);
    if (field == m_spec.speedField && stored != before)
        m_linkEdited = true;
}

void SetupDialog::addressEdited(const QString& text)
{
    if (m_loaded && text != QString::number(m_values.number[m_spec.addressField]))
        m_linkEdited = true;
}

void SetupDialog::useLink(void (SetupDialog::*action)())
{
    if (!m_lease.isConnected()) {
        setStatus(tr("Not connected: nothing was sent. Connect again in the main window."));
        return;
    }
    if (!m_leaving)
        (this->*action)();
}

void SetupDialog::writeToAmplifier()
{
    // The packets are framed with the address the amplifier had when the dialog read it.
    const int address = m_values.number[m_spec.addressField];
    Controls c = controls();
    const auto data = encode(m_spec, c, m_values);
    setControls(c);
    setEditing(false);
    const SetupLink::Outcome outcome = m_link.writeAll(m_spec.packets, data, address);
    if (outcome == SetupLink::Outcome::Cancelled || m_leaving)
        return;
    setEditing(true);
    if (outcome == SetupLink::Outcome::Failed) {
        setStatus(tr("The link went down: not every setting reached the amplifier."));
        return;
    }
    if (m_linkEdited) {
        m_linkChanged = true;
        leave(QDialog::Accepted);
        return;
    }
    setStatus(tr("Sent to the amplifier."));
}

void SetupDialog::askDefault()
{
    QMessageBox box(QMessageBox::Information, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Everything in %1 will be set to factory settings.\nAre you sure?")
                        .arg(QString::fromLatin1(m_spec.name)),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    if (box.exec() == QMessageBox::Ok)
        useLink(&SetupDialog::resetAmplifier);
}

void SetupDialog::resetAmplifier()
{
    if (m_link.factoryReset() == SetupLink::Outcome::Done) {
        // The amplifier now answers at its factory address and speed: the main window takes those.
        const Field& address = m_spec.fields[m_spec.addressField];
        const Field& speed = m_spec.fields[m_spec.speedField];
        m_values.number[m_spec.addressField] = QByteArray(address.factory).toInt();
        m_values.number[m_spec.speedField] = QByteArray(speed.factory).toInt() + speed.list.offset;
        m_linkChanged = true;
    }
    leave(QDialog::Accepted);
}

void SetupDialog::fillFactory()
{
    Controls c = controls();
    setup::fillFactory(m_spec, c);
    setControls(c);
    if (m_spec.factoryChecksSaved)
        trimNameAndCheckSaved();
}

void SetupDialog::saveToPc()
{
    Controls c = controls();
    const IniWriteResult saved = setup::saveToPc(m_spec, c, m_values, m_lease.setupIniPath());
    setControls(c);
    if (!saved) {
        setStatus(tr("Not saved: %1.").arg(saved.failure));
        return;
    }
    setStatus(tr("Saved to this PC."));
    m_upload->setEnabled(true);
}

void SetupDialog::getFromPc()
{
    Controls c = controls();
    const IniWriteResult stored = setup::getFromPc(m_spec, c, m_lease.setupIniPath());
    setControls(c);
    if (!stored)
        setStatus(tr("Filled from this PC, but the missing values' defaults were not stored: %1.")
                      .arg(stored.failure));
}

void SetupDialog::reject()
{
    // Nothing the user changed since the last Update has been written: the amplifier's link is as
    // it was.
    m_link.cancel();
    leave(QDialog::Rejected);
}

void SetupDialog::leave(int result)
{
    m_leaving = true;
    beforeClose();
    done(result);
}

} // namespace setup
