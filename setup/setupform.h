#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QFormLayout;
class QGridLayout;
class QLineEdit;
class QWidget;

// Building blocks of the models' forms: each box or list is the buddy of its visible label, so a
// screen reader names it by the label and the label's mnemonic reaches it.
namespace setup::form {

QLineEdit* box(QWidget* parent, const QString& name, int width = 64);
QLineEdit* readOnlyBox(QWidget* parent, const QString& name, int width = 110);
QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries);

// A row of `form`: the label, then the field with its unit beside it. Returns the row's field
// (the box itself, or the box and its unit together), to show or hide the row by.
QWidget* addRow(QFormLayout* form, const QString& caption, QWidget* field, const QString& unit = QString());
// The same in columns `column` .. `column` + 2 of a grid row.
void addToGrid(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field,
               const QString& unit = QString());

} // namespace setup::form
