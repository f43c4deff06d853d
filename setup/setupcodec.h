#pragma once

#include "setup/setupmodel.h"

#include <QByteArray>
#include <QLocale>
#include <optional>

// Pure functions between a model's bytes, its dialog values and its controls' contents.
namespace setup {

Values emptyValues(const ModelSpec& spec);

// The read sequence's replies (in the order of the model's reads) decoded at their positions,
// out-of-range list values coerced.
Values decode(const ModelSpec& spec, const QList<QByteArray>& replies);

// What the load shows: numbers in the user's format, list entries, check states, the preset bits,
// names without the blanks around them.
Controls controlsFor(const ModelSpec& spec, const Values& values, const QLocale& locale = QLocale());
QString showNumber(const NumberRule& rule, int value, const QLocale& locale = QLocale());

// Update: the data bytes (positions 5 .. length − 1) of each write packet, every entry validated
// by its rule; nothing for a packet that must not go out (a name too long for it). `values` takes
// what is sent; `controls` shows what the rules changed (a list set back, an attenuation's sign).
QList<std::optional<QByteArray>> encode(const ModelSpec& spec, Controls& controls, Values& values);

// A name as bytes: one per character, "?" for a character outside Latin-1.
QByteArray textBytes(const QString& text);

// A number box's entry as Update takes it; `text` may gain a sign by the field's oddity.
int validatedNumber(const NumberRule& rule, QString& text, int stored);

// "Factoty set.": every control with a factory value gets it.
void fillFactory(const ModelSpec& spec, Controls& controls);

// A list's index shown for `value`, -1 when it names no entry.
int listIndexOf(const ListRule& rule, int value);

} // namespace setup
