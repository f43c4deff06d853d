#pragma once

#include <QString>

namespace common {

// What a numeric text box holds when a key arrives.
struct TextBoxState
{
    QString text;
    qsizetype caret = 0;           // characters before the caret
    qsizetype selectionStart = -1; // -1: nothing selected
    qsizetype selectionLength = 0;
};

constexpr int BackspaceKey = 8;

// `DecControl`, the key filter of the numeric text boxes: returns the key code to let through, or 0
// to swallow the key. With no decimals only digits and "-" pass; otherwise "." and "," also pass,
// as the one decimal separator, and no more than `decimals` digits may follow it. Backspace always
// passes. A selection that the key replaces is left out of the count, so a user can type over a
// selected full value.
int DecControl(int keyAscii, const TextBoxState& box, int decimals);

// Whether `text` could have been typed into an empty box through DecControl: the same rule for text
// that arrives whole (pasted, dropped).
bool decControlAllows(const QString& text, int decimals);

} // namespace common
