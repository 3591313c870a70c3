#pragma once

#include <cstdint>

namespace framework {

/// The time source of the frame loop, an interface so that tests can drive time.
class Clock
{
public:
    virtual ~Clock() = default;
    /// A monotonic clock in microseconds.
    virtual int64_t microseconds() = 0;
    /// Sleeps one millisecond (the frame cap's step).
    virtual void sleepMillisecond() = 0;
};

} // namespace framework
