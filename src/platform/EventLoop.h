#pragma once
#include <chrono>
#include <functional>
#include <memory>

namespace tavik {

// A repeating timer of the event loop, like a form timer: it fires every
// interval while enabled; changing the interval restarts the count.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(std::chrono::milliseconds interval) = 0;
    virtual std::chrono::milliseconds interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// The loop that delivers timer ticks, user actions and signals on the one
// thread where all the program's decisions run.
class EventLoop {
public:
    virtual ~EventLoop() = default;
    virtual std::unique_ptr<Timer> createTimer(std::function<void()> onTick) = 0;
    // Runs the loop's events until `done` returns true; used by callers that
    // wait for work on another thread. `wake` may be called from any thread
    // to make the loop look at `done` again.
    virtual void waitUntil(const std::function<bool()>& done) = 0;
    virtual void wake() = 0;
};

}  // namespace tavik
