#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace common {

// The leading decimal number of a text, read the way a text-to-number conversion reads it:
// "12ab" is 12, "abc" is 0, " 57600.0" is 57600, "-3.5e2x" is -350.
double numericValue(QStringView text);

// True only when the whole text (blanks around it allowed) reads as a number equal to `number`:
// "86" and "86.0" equal 86, "86x" and "" do not.
bool equalsAsNumber(QStringView text, double number);

// A number typed by the user: both "," and "." are taken as the decimal separator, whatever the
// locale says, so "45,5" and "45.5" are the same. Group separators are not accepted. A number beyond
// the range of a double ("1e999") reads as an infinity of its sign.
std::optional<double> parseUserNumber(QStringView text);
inline bool isUserNumber(QStringView text)
{
    return parseUserNumber(text).has_value();
}

// One decimal in the user's number format: 45.5 is "45,5" in a German locale.
QString formatOneDecimal(double value, const QLocale& locale = QLocale());

// Rounds half to even, as the amplifiers' tools always did: 455.5 gives 456, 454.5 gives 454. Values
// beyond ±9e18 (infinities included) give ±9e18; NaN gives 0.
long long roundHalfEven(double value);

// A value in tenths (455) shown with one decimal (45.5 in the user's format).
inline QString formatTenths(long long tenths, const QLocale& locale = QLocale())
{
    return formatOneDecimal(static_cast<double>(tenths) / 10.0, locale);
}

} // namespace common
