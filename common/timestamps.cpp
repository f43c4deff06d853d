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

void writeTimestamp(const char* what, const char* name)
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    // One call, one line: standard error is unbuffered.
    std::fprintf(stderr, "%lld %s %s\n",
                 static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                 what, name);
}

} // namespace common
