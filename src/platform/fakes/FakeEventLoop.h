#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/EventLoop.h"

namespace tavik {

// Timers that only fire when the test says so; waitUntil blocks on a
// condition variable until another thread calls wake() and `done` holds.
class FakeEventLoop : public EventLoop {
public:
    class FakeTimer : public Timer {
    public:
        explicit FakeTimer(std::function<void()> tick) : onTick(std::move(tick)) {}
        void setInterval(std::chrono::milliseconds i) override { interval_ = i; }
        std::chrono::milliseconds interval() const override { return interval_; }
        void setEnabled(bool e) override { enabled_ = e; }
        bool enabled() const override { return enabled_; }
        std::function<void()> onTick;

    private:
        std::chrono::milliseconds interval_{0};
        bool enabled_ = false;
    };

    std::vector<FakeTimer*> timers;

    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override {
        auto timer = std::make_unique<FakeTimer>(std::move(onTick));
        timers.push_back(timer.get());
        return timer;
    }
    void waitUntil(const std::function<bool()>& done) override {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, std::chrono::seconds(120), [&] { return done(); });
    }
    void wake() override {
        { std::lock_guard lock(mutex_); }
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
};

}  // namespace tavik
