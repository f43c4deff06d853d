#include "setup/setupform.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace setup::form {

QLineEdit* box(QWidget* parent, const QString& name, int width)
{
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setFixedWidth(width);
    b->setAlignment(Qt::AlignRight);
    return b;
}

QLineEdit* readOnlyBox(QWidget* parent, const QString& name, int width)
{
    auto* b = box(parent, name, width);
    b->setAlignment(Qt::AlignLeft);
    b->setReadOnly(true);
    return b;
}

QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries)
{
    auto* l = new QComboBox(parent);
    l->setObjectName(name);
    l->addItems(entries);
    return l;
}

QWidget* addRow(QFormLayout* form, const QString& caption, QWidget* field, const QString& unit)
{
    auto* label = new QLabel(caption, form->parentWidget());
    label->setBuddy(field);
    QWidget* rowField = field;
    if (!unit.isEmpty()) {
        rowField = new QWidget(form->parentWidget());
        auto* line = new QHBoxLayout(rowField);
        line->setContentsMargins(0, 0, 0, 0);
        field->setParent(rowField);
        line->addWidget(field);
        line->addWidget(new QLabel(unit, rowField));
        line->addStretch();
    }
    form->addRow(label, rowField);
    return rowField;
}

void addToGrid(QGridLayout* grid, int row, int column, const QString& caption, QWidget* field,
               const QString& unit)
{
    auto* label = new QLabel(caption, grid->parentWidget());
    label->setBuddy(field);
    grid->addWidget(label, row, column);
    grid->addWidget(field, row, column + 1);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, grid->parentWidget()), row, column + 2);
}

} // namespace setup::form
