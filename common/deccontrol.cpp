#include "common/deccontrol.h"

#include <algorithm>

namespace common {
namespace {

bool isSeparator(QChar c)
{
    return c == u'.' || c == u',';
}

qsizetype separatorIndex(const QString& text)
{
    const auto it = std::find_if(text.cbegin(), text.cend(), isSeparator);
    return it == text.cend() ? -1 : it - text.cbegin();
}

} // namespace

int DecControl(int keyAscii, const TextBoxState& box, int decimals)
{
    if (keyAscii == BackspaceKey)
        return keyAscii;
    if (keyAscii <= 0 || keyAscii > 0xFFFF)
        return 0;
    const QChar key(static_cast<char16_t>(keyAscii));
    if (decimals <= 0)
        return QStringLiteral("0123456789-").contains(key) ? keyAscii : 0;
    if (!QStringLiteral("0123456789.,-").contains(key))
        return 0;

    QString text = box.text;
    qsizetype caret = std::clamp<qsizetype>(box.caret, 0, text.size());
    if (box.selectionStart >= 0 && box.selectionLength > 0 && box.selectionStart < text.size()) {
        text.remove(box.selectionStart, box.selectionLength);
        caret = box.selectionStart;
    }

    const qsizetype separator = separatorIndex(text);
    if (isSeparator(key)) {
        if (text.size() - caret > decimals || separator >= 0)
            return 0;
        return keyAscii;
    }
    if (separator >= 0 && caret > separator)
        return text.size() - separator - 1 < decimals ? keyAscii : 0;
    return keyAscii;
}

bool decControlAllows(const QString& text, int decimals)
{
    // Typed from left to right with the caret at the end; any other order reaches no other text.
    TextBoxState typed;
    for (const QChar c : text) {
        // Backspace passes as a key, but as a character in the text it is no part of a number.
        if (c.unicode() == BackspaceKey || DecControl(c.unicode(), typed, decimals) == 0)
            return false;
        typed.text += c;
        typed.caret = typed.text.size();
    }
    return true;
}

} // namespace common
