#include "bench/startupmeasures.h"

#include <algorithm>
#include <optional>

namespace {

constexpr double PanelPaintGoalMs = 5.0;

// The first "<ns> begin|end <name>" span of `name` in `text` that begins at or after `from`.
std::optional<std::pair<long long, long long>> firstSpan(const QByteArray& text, const QByteArray& name,
                                                         long long from)
{
    std::optional<long long> begin;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        bool ok = false;
        const long long at = fields.value(0).toLongLong(&ok);
        if (!ok || fields.size() != 3 || fields[2] != name || at < from)
            continue;
        if (fields[1] == "begin")
            begin = at;
        else if (fields[1] == "end" && begin)
            return std::make_pair(*begin, at);
    }
    return std::nullopt;
}

} // namespace

Row frontPanelFirstPaint(const std::vector<QByteArray>& timestamps)
{
    const QString measure = QStringLiteral("front panel's first paint");
    std::vector<double> paints;
    for (const QByteArray& text : timestamps) {
        // The panel paints its plate first, then what lies on it; the large display is its last
        // drawn part (the small one lies outside the panel, and is painted after it).
        const auto plate = firstSpan(text, "faceplate", 0);
        const auto display = plate ? firstSpan(text, "segments", plate->first) : std::nullopt;
        if (!display)
            return {measure, QStringLiteral("not measured: no time stamps of the panel's first paint"),
                    Row::Outcome::Broken};
        paints.push_back(double(display->second - plate->first) / 1e6);
    }
    if (paints.empty())
        return {measure, QStringLiteral("not measured: no start-up"), Row::Outcome::Broken};
    std::sort(paints.begin(), paints.end());
    const double median = paints[paints.size() / 2];
    return {QStringLiteral("front panel's first paint in Tevlin's first frame, faceplate to large display "
                           "drawn, median of %1: %2-%3 ms (goal <= %4 ms)")
                .arg(paints.size())
                .arg(QString::number(paints.front(), 'f', 2), QString::number(paints.back(), 'f', 2))
                .arg(PanelPaintGoalMs),
            QString::number(median, 'f', 2) + QStringLiteral(" ms"),
            median <= PanelPaintGoalMs ? Row::Outcome::Pass : Row::Outcome::Fail};
}
