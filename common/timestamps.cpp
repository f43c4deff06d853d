#include "common/timestamps.h"

#include <QtGlobal>
#include <chrono>
#include <cstdio>

namespace common {

bool timestampsOn()
{
    static const bool on = qEnvironmentVariableIsSet("KORVANES_TIMESTAMPS");
    return on;
}

long long timestampNow()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

void writeSpan(const char* name, long long begin, long long end)
{
    std::string stamps;
    appendSpan(stamps, name, begin, end);
    writeStamps(stamps);
}

void appendSpan(std::string& stamps, const char* name, long long begin, long long end)
{
    (((stamps += std::to_string(begin)) += " begin ") += name) += '\n';
    (((stamps += std::to_string(end)) += " end ") += name) += '\n';
}

void writeStamps(const std::string& stamps)
{
    // One call: standard error is unbuffered.
    std::fwrite(stamps.data(), 1, stamps.size(), stderr);
}

} // namespace common
