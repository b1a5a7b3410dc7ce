#pragma once
#include <chrono>
#include <vector>

#include "platform/Clock.h"

namespace tavik {

// A clock that stands still until the test moves it; sleeping only records.
class FakeClock : public Clock {
public:
    LocalDateTime current{2026, 12, 8, 14, 3, 55};
    std::vector<std::chrono::milliseconds> sleeps;

    LocalDateTime now() const override { return current; }
    void sleepFor(std::chrono::milliseconds duration) override { sleeps.push_back(duration); }
};

}  // namespace tavik
