#include "setup/setupdialog.h"

#include "setup/setupform.h"
#include "widgets/numerickeyfilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace setup {
namespace {

// The form's place in the dialog: as large as the form until the dialog is found too large for its
// screen; from then on the dialog may be smaller than the form, which then scrolls.
class FormScroll : public QScrollArea
{
public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override { return widget()->sizeHint(); }
    QSize minimumSizeHint() const override
    {
        return scrolls ? QScrollArea::minimumSizeHint() : widget()->minimumSizeHint();
    }

    bool scrolls = false;
};

} // namespace

SetupDialog::SetupDialog(const ModelSpec& spec, control::LinkLease& lease, QWidget* parent)
    : QDialog(parent), m_spec(spec), m_flow(spec, lease), m_bindings(spec.fields.size())
{
    setWindowTitle(QString::fromLatin1(spec.title));
    auto* column = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblProgress"));
    m_status->setWordWrap(true);
    m_status->hide();
    column->addWidget(m_status);
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
        m_scroll = new FormScroll(this);
        m_scroll->setObjectName(QStringLiteral("FormScroll"));
        m_scroll->setFrameShape(QFrame::NoFrame);
        m_scroll->setFocusPolicy(Qt::NoFocus);
        m_scroll->setWidgetResizable(true);
        m_form = new QWidget(m_scroll);
        auto* columns = new QHBoxLayout(m_form);
        columns->setContentsMargins(0, 0, 0, 0);
        m_scroll->setWidget(m_form);
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, m_scroll, 1);
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
    addFileButtons(column);

    // What Update sends is shown as it goes out (SetupFlow::corrected); the form is not set again
    // after the write, when a model's own timer may have changed it.
    connect(m_ok, &QPushButton::clicked, this, [this] {
        Controls c = controls();
        m_flow.update(c);
    });
    connect(m_cancel, &QPushButton::clicked, this, &SetupDialog::reject);
    connect(m_default, &QPushButton::clicked, this, &SetupDialog::askDefault);
    connect(m_factory, &QPushButton::clicked, this, [this] { withControls(&SetupFlow::fillFactory); });
    connect(m_save, &QPushButton::clicked, this, [this] { withControls(&SetupFlow::saveToPc); });
    connect(m_upload, &QPushButton::clicked, this, [this] { withControls(&SetupFlow::getFromPc); });
    connect(&m_flow, &SetupFlow::changed, this, &SetupDialog::render);
    connect(&m_flow, &SetupFlow::corrected, this, &SetupDialog::setControls);
}

// A row of their own below the design's buttons, which stay as they are.
void SetupDialog::addFileButtons(QVBoxLayout* column)
{
    auto* row = new QHBoxLayout;
    const std::array<std::pair<const char*, QString>, 3> buttons{{
        {"SaveFileButton", tr("Save to file\u2026")},
        {"LoadFileButton", tr("Load from file\u2026")},
        {"CompareFileButton", tr("Compare with file\u2026")},
    }};
    const std::array<QString, 3> tips{tr("Save this form to a configuration file"),
                                      tr("Fill the form from a configuration file; Update sends it"),
                                      tr("Mark the values a configuration file holds otherwise")};
    for (int k = 0; k < 3; ++k) {
        QPushButton* b = addButton(QString::fromLatin1(buttons[k].first), buttons[k].second, tips[k]);
        row->addWidget(b);
        m_fileButtons << b;
        connect(b, &QPushButton::clicked, this, [this, k] { withFile(FileAction(k)); });
    }
    row->addStretch();
    column->addLayout(row);
    m_chooseFile = [this](FileAction action) {
        const QString filter = tr("Configuration files (*.ini);;All files (*)");
        return action == FileAction::Save
                   ? QFileDialog::getSaveFileName(this, tr("Save to file"), QString(), filter)
                   : QFileDialog::getOpenFileName(
                         this, action == FileAction::Load ? tr("Load from file") : tr("Compare with file"),
                         QString(), filter);
    };
}

QWidget* SetupDialog::controlOf(int field) const
{
    const Binding& b = m_bindings[field];
    return b.box     ? static_cast<QWidget*>(b.box)
           : b.list  ? static_cast<QWidget*>(b.list)
           : b.check ? static_cast<QWidget*>(b.check)
                     : static_cast<QWidget*>(b.label);
}

void SetupDialog::withFile(FileAction action)
{
    const QString path = m_chooseFile(action);
    if (path.isEmpty())
        return;
    for (const int field : std::as_const(m_marked)) {
        if (QWidget* w = controlOf(field))
            w->setStyleSheet(QString());
    }
    m_marked.clear();
    Controls c = controls();
    switch (action) {
    case FileAction::Save:
        m_flow.saveToFile(c, path);
        setControls(c);
        break;
    case FileAction::Load:
        if (m_flow.loadFromFile(c, path))
            setControls(c);
        break;
    case FileAction::Compare:
        m_marked = m_flow.compareWithFile(c, path);
        for (const int field : std::as_const(m_marked)) {
            if (QWidget* w = controlOf(field))
                w->setStyleSheet(QStringLiteral("background-color: #ffd27f;"));
        }
        break;
    }
}

void SetupDialog::bindBox(int field, QLineEdit* box)
{
    m_bindings[field].box = box;
    if (const Field& f = m_spec.fields[field]; f.kind == Kind::Text && f.textLength > 0)
        box->setMaxLength(f.textLength);
    connect(box, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { m_flow.boxEdited(field, text); });
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

QString SetupDialog::caption(int field) const
{
    return QString::fromLatin1(m_spec.fields[field].caption);
}

QLineEdit* SetupDialog::boxRow(QFormLayout* rows, int field, const QString& name, const QString& unit)
{
    auto* b = form::box(rows->parentWidget(), name);
    form::addRow(rows, caption(field), b, unit);
    bindBox(field, b);
    return b;
}

QComboBox* SetupDialog::listRow(QFormLayout* rows, int field, const QString& name, const QStringList& entries)
{
    auto* l = form::list(rows->parentWidget(), name, entries);
    form::addRow(rows, caption(field), l);
    bindList(field, l);
    return l;
}

QCheckBox* SetupDialog::checkRow(QFormLayout* rows, int field, const QString& name)
{
    auto* c = new QCheckBox(caption(field), rows->parentWidget());
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
    form::addRow(rows, caption(m_spec.nameField), box, hint);
    bindBox(m_spec.nameField, box);
    boxRow(rows, m_spec.addressField, QStringLiteral("TextDeviceAdr"));
    listRow(rows, m_spec.speedField, QStringLiteral("CmbLinkSpeed"), speeds);
    return box;
}

void SetupDialog::volumeRows(QFormLayout* rows, int defVol, int maxVol)
{
    for (QLineEdit* volume : {boxRow(rows, defVol, QStringLiteral("TextDefVolume"), QStringLiteral("dB")),
                              boxRow(rows, maxVol, QStringLiteral("TextMaxVolume"), QStringLiteral("dB"))})
        new widgets::NumericKeyFilter(volume, 1);
}

QList<int> SetupDialog::presetRows(QFormLayout* rows, int preset, int presetLock)
{
    QStringList presets;
    for (int n = 1; n <= 7; ++n)
        presets << QStringLiteral("Preset %1").arg(n);
    presets << QStringLiteral("Bypass");
    listRow(rows, preset, QStringLiteral("CmbPreset"), presets);
    auto* frame = new QGroupBox(caption(presetLock), rows->parentWidget());
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
        boxes[k]->setChecked((m_flow.values().number[field] & (1 << k)) == 0);
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
            c[i].index = m_flow.values().number[i];
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

void SetupDialog::render()
{
    const SetupControls& c = m_flow.controls();
    m_status->setText(c.status);
    m_status->setVisible(!c.status.isEmpty());
    if (m_form)
        m_form->setEnabled(c.editing);
    for (QPushButton* b : {m_ok, m_default, m_factory, m_save})
        b->setEnabled(c.editing);
    m_upload->setEnabled(c.upload);
    for (QPushButton* b : std::as_const(m_fileButtons))
        b->setEnabled(c.editing);
    // The flow closed the dialog itself: the amplifier took a new address or speed, or was reset.
    if (m_flow.phase() == SetupFlow::Phase::Closed && !m_leaving)
        leave(QDialog::Accepted);
}

void SetupDialog::withControls(void (SetupFlow::*step)(Controls&))
{
    Controls c = controls();
    (m_flow.*step)(c);
    if (!m_leaving)
        setControls(c);
}

void SetupDialog::run()
{
    render();
    // Only a fixed name is known before the amplifier has answered.
    for (qsizetype i = 0; i < qsizetype(m_spec.fields.size()); ++i) {
        if (m_spec.fields[i].kind == Kind::Text && !m_spec.fields[i].read.exists())
            m_bindings[i].box->setText(QString::fromLatin1(m_spec.fields[i].factory));
    }
    // Within the screen of the window it belongs to, whose frame the dialog's will match.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
        const QSize frame =
            owner && owner->isVisible() ? owner->frameGeometry().size() - owner->size() : QSize();
        fitInto(screen->availableGeometry().size() - frame);
    }
    // On the screen while it reads, so that "Close" can end a wait that gets no reply.
    setModal(true);
    show();

    std::optional<Controls> read = m_flow.read();
    if (!read) {
        if (m_flow.phase() == SetupFlow::Phase::Empty && !m_leaving)
            exec();
        return;
    }
    setControls(*read);
    Controls shown = controls();
    m_flow.loaded(shown);
    setControls(shown);
    afterLoad();
    emit loaded();
    exec();
}

void SetupDialog::fitInto(const QSize& available)
{
    if (!m_form)
        return;
    const QSize natural = sizeHint();
    if (natural.width() <= available.width() && natural.height() <= available.height())
        return;
    static_cast<FormScroll*>(m_scroll)->scrolls = true;
    m_scroll->updateGeometry();
    layout()->activate();
    // As large as it would be unscrolled, plus a scroll bar across each way it does not fit.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll);
    QSize wanted = natural;
    const bool wide = wanted.width() > available.width();
    const bool tall = wanted.height() > available.height();
    wanted += QSize(tall ? bar : 0, wide ? bar : 0);
    if (!wide && wanted.width() > available.width())
        wanted.rheight() += bar;
    if (!tall && wanted.height() > available.height())
        wanted.rwidth() += bar;
    resize(wanted.boundedTo(available).expandedTo(minimumSizeHint()));
}

void SetupDialog::listChanged(int field, int index)
{
    if (const std::optional<int> shown = m_flow.listChosen(field, index))
        m_bindings[field].list->setCurrentIndex(*shown);
}

void SetupDialog::askDefault()
{
    // The amplifier forgets every setting, its address and speed among them: Enter must not agree.
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                    QStringLiteral("Everything in %1 will be set to factory settings.\nAre you sure?")
                        .arg(QString::fromLatin1(m_spec.name)),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    box.setEscapeButton(QMessageBox::Cancel);
    if (box.exec() == QMessageBox::Ok)
        m_flow.resetAmplifier();
}

void SetupDialog::reject()
{
    // This Close ends the flow; it is no change the flow closed for.
    m_leaving = true;
    m_flow.close();
    leave(QDialog::Rejected);
}

void SetupDialog::leave(int result)
{
    m_leaving = true;
    beforeClose();
    done(result);
}

} // namespace setup
