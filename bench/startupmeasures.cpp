#include "bench/startupmeasures.h"

#include <algorithm>
#include <optional>

namespace {

constexpr double PanelPaintGoalMs = 5.0;

} // namespace

Row frontPanelFirstPaint(const std::vector<QByteArray>& timestamps)
{
    const QString measure = QStringLiteral("front panel's first paint");
    std::vector<double> paints;
    for (const QByteArray& text : timestamps) {
        // The panel paints its plate first, then what lies on it; the large display is its last
        // drawn part (the small one lies outside the panel, and is painted after it).
        auto spans = bench::stampedSpans(text);
        const std::vector<bench::Span>& plates = spans["faceplate"];
        const std::vector<bench::Span>& displays = spans["segments"];
        const auto display = plates.empty()
                                 ? displays.end()
                                 : std::find_if(displays.begin(), displays.end(), [&](const bench::Span& s) {
                                       return s.first >= plates.front().first;
                                   });
        if (display == displays.end())
            return bench::broken(measure, QStringLiteral("no time stamps of the panel's first paint"));
        paints.push_back(bench::ms(display->second - plates.front().first));
    }
    if (paints.empty())
        return bench::broken(measure, QStringLiteral("no start-up"));
    std::sort(paints.begin(), paints.end());
    const double median = paints[paints.size() / 2];
    return bench::row(
        QStringLiteral("front panel's first paint in Tevlin's first frame, faceplate to large display "
                       "drawn, median of %1: %2-%3 ms (goal <= %4 ms)")
            .arg(paints.size())
            .arg(QString::number(paints.front(), 'f', 2), QString::number(paints.back(), 'f', 2))
            .arg(PanelPaintGoalMs),
        QString::number(median, 'f', 2) + QStringLiteral(" ms"), median <= PanelPaintGoalMs);
}
