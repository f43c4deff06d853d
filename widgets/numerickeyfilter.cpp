#include "widgets/numerickeyfilter.h"

#include "common/deccontrol.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

namespace widgets {
using common::DecControl;
using common::decControlAllows;
using common::TextBoxState;
namespace {

// Acceptable or Invalid, never Intermediate: the box keeps sending returnPressed for any text it holds.
class DecControlValidator : public QValidator
{
public:
    DecControlValidator(int decimals, QObject* parent) : QValidator(parent), m_decimals(decimals) {}
    State validate(QString& input, int&) const override
    {
        return decControlAllows(input, m_decimals) ? Acceptable : Invalid;
    }

private:
    int m_decimals;
};

} // namespace

NumericKeyFilter::NumericKeyFilter(QLineEdit* box, int decimals)
    : QObject(box), m_box(box), m_decimals(decimals)
{
    box->installEventFilter(this);
    box->setValidator(new DecControlValidator(decimals, this));
}

bool NumericKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts (Ctrl+V, Ctrl+Z) belong to the editor; the validator checks what text they bring.
    // Ctrl with Alt is AltGr on some keyboards, which types characters.
    const Qt::KeyboardModifiers held = key->modifiers();
    if ((held & (Qt::ControlModifier | Qt::MetaModifier)) && !(held & Qt::AltModifier))
        return false;
    const QString text = key->text();
    // Only printable characters are filtered: Enter must still reach the window, Ctrl+C its editor.
    if (text.size() != 1 || !text.front().isPrint())
        return false;
    const TextBoxState box{m_box->text(), m_box->cursorPosition(), m_box->selectionStart(),
                           m_box->selectedText().size()};
    return DecControl(text.front().unicode(), box, m_decimals) == 0;
}

} // namespace widgets
