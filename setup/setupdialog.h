#pragma once

#include "control/linksession.h"
#include "setup/setupflow.h"
#include "setup/setupmodel.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QScrollArea;

namespace setup {

// A model's setup dialog: on the screen at once, it runs the shared flow (SetupFlow) and draws it.
// A model's dialog builds its form, binds each control to its value and adds hooks.
class SetupDialog : public QDialog
{
    Q_OBJECT
public:
    SetupDialog(const ModelSpec& spec, control::LinkLease& lease, QWidget* parent = nullptr);
    ~SetupDialog() override;

    // Shows the dialog, fills it from the amplifier and returns when it has closed.
    void run();
    bool isLoaded() const { return m_flow.isLoaded(); }
    SetupLink& link() { return m_flow.link(); }
    const Values& values() const { return m_flow.values(); }
    bool linkEdited() const { return m_flow.linkEdited(); }
    std::optional<control::LinkLease::LinkValues> linkChange() const { return m_flow.linkChange(); }

    // How "Save to file…", "Load from file…" and "Compare with file…" ask for the file (a file
    // dialog by default); an empty answer does nothing.
    enum class FileAction
    {
        Save,
        Load,
        Compare,
    };
    using FileChooser = std::function<QString(FileAction)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    // The fields the last "Compare with file…" marked.
    const QList<int>& markedFields() const { return m_marked; }
    // Keeps the dialog within `available`, a screen's free area less the window's frame: when it
    // would be larger, its form scrolls and the status line and buttons stay in view.
    void fitInto(const QSize& available);

    // The controls as the codec sees them, and back.
    Controls controls() const;
    void setControls(const Controls& controls);

signals:
    // Filled from the amplifier; editing begins.
    void loaded();

protected:
    // The model's form goes above the status line and the buttons, in columns left to right: each
    // a heading above a framed panel, which this returns (`column`, if asked, receives the column,
    // for form::addPanel). Controls are made in the order they appear; lists are bound after their
    // entries are in. finishForm() adds the buttons after the last control.
    QFrame* addColumn(const QString& heading, QWidget** column = nullptr);
    void finishForm();
    // A name's box takes no more characters than the amplifier keeps.
    void bindBox(int field, QLineEdit* box);
    void bindList(int field, QComboBox* list);
    void bindCheck(int field, QCheckBox* box);
    void bindLabel(int field, QLabel* label);
    void bindPresetLock(int field, const std::array<QCheckBox*, 8>& boxes);
    int& value(int field) { return m_flow.value(field); }

    // The field's words in the form, from the model's description.
    QString caption(int field) const;
    // Rows of a form, each made and bound in one go, labelled with the field's caption, the label the
    // buddy of its field.
    QLineEdit* boxRow(QFormLayout* rows, int field, const QString& name, const QString& unit = QString());
    QComboBox* listRow(QFormLayout* rows, int field, const QString& name, const QStringList& entries);
    QCheckBox* checkRow(QFormLayout* rows, int field, const QString& name);
    // The rows every model begins with: the name box (read-only when the amplifier keeps no name)
    // with its hint, Link ID and Link Speed. Returns the name box.
    QLineEdit* nameAndLinkRows(QFormLayout* rows, const QString& hint, const QStringList& speeds);
    // The start-up and maximum volume, their keys through the numeric filter.
    void volumeRows(QFormLayout* rows, int defVol, int maxVol);
    // The start-up preset and the read-only frame of preset boxes; returns their rows.
    QList<int> presetRows(QFormLayout* rows, int preset, int presetLock);

    // Hooks: after the load has filled the controls; before the dialog closes.
    virtual void afterLoad() {}
    virtual void beforeClose() {}

    // "Close": also the title bar's close box and Escape.
    void reject() override;

private:
    struct Binding
    {
        QLineEdit* box = nullptr;
        QComboBox* list = nullptr;
        QCheckBox* check = nullptr;
        QLabel* label = nullptr;
        std::array<QCheckBox*, 8> lock{};
    };

    QPushButton* addButton(const QString& name, const QString& caption, const QString& toolTip);
    void render();
    // Hands the controls to `step` and shows what it made of them.
    void withControls(void (SetupFlow::*step)(Controls&));
    void askDefault();
    void listChanged(int field, int index);
    void showPresetLock(int field);
    void leave(int result);
    void addFileButtons(QVBoxLayout* column);
    void withFile(FileAction action);
    QWidget* controlOf(int field) const;

    const ModelSpec& m_spec;
    SetupFlow m_flow;
    QList<Binding> m_bindings;
    QWidget* m_form = nullptr;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_status;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_default = nullptr;
    QPushButton* m_factory = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_upload = nullptr;
    QList<QPushButton*> m_fileButtons;
    FileChooser m_chooseFile;
    QList<int> m_marked;
    bool m_leaving = false;
};

} // namespace setup
