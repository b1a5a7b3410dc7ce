#include "platform/posix/SystemClock.h"

#include <ctime>
#include <thread>

namespace tavik {

LocalDateTime SystemClock::now() const {
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

void SystemClock::sleepFor(std::chrono::milliseconds duration) {
    // sleep_for measures on the steady clock, so midnight or a clock change
    // does not stretch the pause.
    std::this_thread::sleep_for(duration);
}

}  // namespace tavik
