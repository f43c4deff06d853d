#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QFormLayout;
class QFrame;
class QGridLayout;
class QLineEdit;
class QWidget;

// Building blocks of the models' forms: each box or list is the buddy of its visible label, so a
// screen reader names it by the label and the label's mnemonic reaches it.
namespace setup::form {

// The entries of a display or volume display time-out list.
extern const QStringList NoTimeout;

QLineEdit* box(QWidget* parent, const QString& name, int width = 64);
QLineEdit* textBox(QWidget* parent, const QString& name, int width);
QLineEdit* readOnlyBox(QWidget* parent, const QString& name, int width = 110);
QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries);

// A column of a form: a heading above a framed panel that holds the rows. The panel is no group
// box, so that a frame inside it is named by its own title.
QFrame* column(QWidget* parent, const QString& heading, QWidget** column);
// Another heading and panel below those already in `column`.
QFrame* addPanel(QWidget* column, const QString& heading);

// A row of `form`: the label, then the field with its unit beside it; label and field share a
// parent, which screen readers need to pair them. Returns the row's index.
int addRow(QFormLayout* form, const QString& caption, QWidget* field, const QString& unit = QString());
// The same in columns `column` .. `column` + 2 of a grid row.
void addToGrid(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field,
               const QString& unit = QString());

} // namespace setup::form
