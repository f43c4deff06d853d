#include "common/numbers.h"

#include <cmath>
#include <limits>

namespace common {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Length of the longest prefix of `text` (after `start`) that forms a decimal number, or 0.
qsizetype numberPrefixLength(QStringView text, qsizetype start)
{
    qsizetype i = start;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        qsizetype j = i + 1;
        qsizetype fraction = 0;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            ++fraction;
        }
        if (digits + fraction > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        qsizetype exponent = 0;
        while (j < text.size() && isDigit(text[j])) {
            ++j;
            ++exponent;
        }
        if (exponent > 0)
            i = j;
    }
    return i - start;
}

double toDouble(QStringView number)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok)
        return 0.0;
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

double numericValue(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const qsizetype length = numberPrefixLength(text, start);
    return length == 0 ? 0.0 : toDouble(text.mid(start, length));
}

bool equalsAsNumber(QStringView text, double number)
{
    const QStringView trimmed = text.trimmed();
    const qsizetype length = numberPrefixLength(trimmed, 0);
    if (length == 0 || length != trimmed.size())
        return false;
    return toDouble(trimmed) == number;
}

std::optional<double> parseUserNumber(QStringView text)
{
    QString normalized = text.trimmed().toString();
    normalized.replace(u',', u'.');
    if (normalized.count(u'.') > 1)
        return std::nullopt;
    const qsizetype length = numberPrefixLength(normalized, 0);
    if (length == 0 || length != normalized.size())
        return std::nullopt;
    // A number too large for a double is still far out of every range, never 0.
    bool ok = false;
    const double value = QLocale::c().toDouble(normalized, &ok);
    if (!ok && std::isinf(value))
        return value;
    return toDouble(normalized);
}

QString formatOneDecimal(double value, const QLocale& locale)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'f', 1);
}

long long roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.0e18;
    if (value >= limit)
        return static_cast<long long>(limit);
    if (value <= -limit)
        return -static_cast<long long>(limit);
    // nearbyint uses the default rounding mode, round-to-nearest-even.
    return static_cast<long long>(std::nearbyint(value));
}

} // namespace common
