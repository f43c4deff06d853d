#include "bench/row.h"

#include <QList>
#include <algorithm>

namespace bench {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::map<QByteArray, std::vector<Span>> stampedSpans(const QByteArray& text)
{
    std::map<QByteArray, std::vector<Span>> spans;
    std::map<QByteArray, std::chrono::nanoseconds> open;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        bool ok = false;
        const std::chrono::nanoseconds at(fields.value(0).toLongLong(&ok));
        if (!ok || fields.size() != 3)
            continue;
        if (fields[1] == "begin")
            open[fields[2]] = at;
        else if (const auto begin = open.find(fields[2]); fields[1] == "end" && begin != open.end())
            spans[fields[2]].emplace_back(begin->second, at);
    }
    return spans;
}

} // namespace bench
