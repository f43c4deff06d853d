#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <map>
#include <utility>
#include <vector>

// One line of the benchmark's report.
struct Row
{
    enum class Outcome
    {
        Pass,
        Fail,
        // The measure could not be taken; `figure` says why.
        Broken,
    };
    // What was measured, with the goal and the figures behind the result.
    QString measure;
    QString figure;
    Outcome outcome = Outcome::Broken;
};

// What the measures share to make their rows.
namespace bench {

inline Row row(QString measure, QString figure, bool pass)
{
    return {std::move(measure), std::move(figure), pass ? Row::Outcome::Pass : Row::Outcome::Fail};
}

inline Row broken(QString measure, const QString& why)
{
    return {std::move(measure), QStringLiteral("not measured: ") + why, Row::Outcome::Broken};
}

template <typename Rep, typename Period> double ms(std::chrono::duration<Rep, Period> t)
{
    return std::chrono::duration<double, std::milli>(t).count();
}

// The middle value; `values` must not be empty.
double median(std::vector<double> values);

inline QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The programs' time stamps ("<ns> begin|end <name>" lines, with KORVANES_TIMESTAMPS set) as
// (begin, end) pairs in the order they came, per name.
using Span = std::pair<std::chrono::nanoseconds, std::chrono::nanoseconds>;
std::map<QByteArray, std::vector<Span>> stampedSpans(const QByteArray& text);

} // namespace bench
