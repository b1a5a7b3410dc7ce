#pragma once
#include "platform/Clock.h"

namespace tavik {

class SystemClock : public Clock {
public:
    LocalDateTime now() const override;
    void sleepFor(std::chrono::milliseconds duration) override;
};

}  // namespace tavik
