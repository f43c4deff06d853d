#pragma once

#include <string>

// Time stamps on standard error for the benchmark (bench/), written only while the environment
// variable KORVANES_TIMESTAMPS is set when the program starts; otherwise a stamp costs one test of a flag.
// A line reads "<nanoseconds of the monotonic clock> begin|end <name>", so that another process can
// set it against its own clock.
namespace common {

bool timestampsOn();
long long timestampNow();
// Writes the "begin" and "end" lines of a span in one call.
void writeSpan(const char* name, long long begin, long long end);
// The same two lines appended to `stamps`, for a caller that writes many spans at once with
// writeStamps: a write per span wakes whoever reads them each time, which a busy step can do without.
void appendSpan(std::string& stamps, const char* name, long long begin, long long end);
void writeStamps(const std::string& stamps);

// Stamps "begin <name>" where it is made and "end <name>" where it goes out of scope; both lines are
// written then, so that a stamped step costs one write.
class TimestampScope
{
public:
    explicit TimestampScope(const char* name)
        : m_name(timestampsOn() ? name : nullptr), m_begin(m_name ? timestampNow() : 0)
    {}
    ~TimestampScope()
    {
        if (m_name)
            writeSpan(m_name, m_begin, timestampNow());
    }
    TimestampScope(const TimestampScope&) = delete;
    TimestampScope& operator=(const TimestampScope&) = delete;

private:
    const char* m_name;
    long long m_begin;
};

} // namespace common
