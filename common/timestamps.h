#pragma once

// Time stamps on standard error for the benchmark (bench/), written only while the environment
// variable KORVANES_TIMESTAMPS is set when the program starts; otherwise a stamp costs one test of a flag.
// A line reads "<nanoseconds of the monotonic clock> begin|end <name>", so that another process can
// set it against its own clock.
namespace common {

bool timestampsOn();
void writeTimestamp(const char* what, const char* name);

// Stamps "begin <name>" where it is made and "end <name>" where it goes out of scope.
class TimestampScope
{
public:
    explicit TimestampScope(const char* name) : m_name(timestampsOn() ? name : nullptr)
    {
        if (m_name)
            writeTimestamp("begin", m_name);
    }
    ~TimestampScope()
    {
        if (m_name)
            writeTimestamp("end", m_name);
    }
    TimestampScope(const TimestampScope&) = delete;
    TimestampScope& operator=(const TimestampScope&) = delete;

private:
    const char* m_name;
};

} // namespace common
