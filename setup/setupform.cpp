#include "setup/setupform.h"

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

namespace setup::form {

const QStringList NoTimeout{QStringLiteral("No Timeout"), QStringLiteral("Timeout")};

QLineEdit* box(QWidget* parent, const QString& name, int width)
{
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setFixedWidth(width);
    b->setAlignment(Qt::AlignRight);
    return b;
}

QLineEdit* textBox(QWidget* parent, const QString& name, int width)
{
    auto* b = box(parent, name, width);
    b->setAlignment(Qt::AlignLeft);
    return b;
}

QLineEdit* readOnlyBox(QWidget* parent, const QString& name, int width)
{
    auto* b = textBox(parent, name, width);
    b->setReadOnly(true);
    // Most styles draw a read-only box as an editable one: the window's colour behind the text
    // tells it apart. It keeps the focus, so that the keyboard and a screen reader still reach it.
    QPalette look = b->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        look.setBrush(group, QPalette::Base, look.brush(group, QPalette::Window));
    b->setPalette(look);
    return b;
}

QComboBox* list(QWidget* parent, const QString& name, const QStringList& entries)
{
    auto* l = new QComboBox(parent);
    l->setObjectName(name);
    l->addItems(entries);
    return l;
}

QFrame* column(QWidget* parent, const QString& heading, QWidget** column)
{
    *column = new QWidget(parent);
    auto* stack = new QVBoxLayout(*column);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->addStretch();
    return addPanel(*column, heading);
}

QFrame* addPanel(QWidget* column, const QString& heading)
{
    auto* stack = static_cast<QVBoxLayout*>(column->layout());
    const int below = stack->count() - 1; // above the stretch
    stack->insertWidget(below, new QLabel(heading, column));
    auto* panel = new QFrame(column);
    panel->setFrameShape(QFrame::StyledPanel);
    stack->insertWidget(below + 1, panel);
    return panel;
}

int addRow(QFormLayout* form, const QString& caption, QWidget* field, const QString& unit)
{
    auto* label = new QLabel(caption, form->parentWidget());
    label->setBuddy(field);
    if (unit.isEmpty()) {
        form->addRow(label, field);
    } else {
        auto* line = new QHBoxLayout;
        line->addWidget(field);
        line->addWidget(new QLabel(unit, form->parentWidget()));
        line->addStretch();
        form->addRow(label, line);
    }
    return form->rowCount() - 1;
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
