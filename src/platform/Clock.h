#pragma once
#include <chrono>

namespace tavik {

// A local calendar time, as the user's clock shows it.
struct LocalDateTime {
    int year = 1970;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    // Blocks the calling thread on a monotonic clock; processes no events.
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

}  // namespace tavik
