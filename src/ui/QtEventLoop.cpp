#include "ui/QtEventLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>

namespace tavik {
namespace {

// A form timer on QTimer: fires every interval while enabled; a new interval
// starts the count again; an interval of 0 never fires.
class QtTimer : public Timer {
public:
    explicit QtTimer(std::function<void()> onTick) {
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
    }

    void setInterval(std::chrono::milliseconds interval) override {
        interval_ = interval;
        timer_.setInterval(clamped(interval));
        apply(true);
    }
    std::chrono::milliseconds interval() const override { return interval_; }
    void setEnabled(bool enabled) override {
        const bool starting = enabled && !enabled_;
        enabled_ = enabled;
        apply(starting);
    }
    bool enabled() const override { return enabled_; }

private:
    static int clamped(std::chrono::milliseconds interval) {
        return static_cast<int>(std::clamp<long long>(interval.count(), 0, 24LL * 3600 * 1000));
    }
    // Starts the count afresh when asked, stops the timer when it must not fire.
    void apply(bool restart) {
        if (!enabled_ || interval_.count() <= 0) {
            timer_.stop();
        } else if (restart || !timer_.isActive()) {
            timer_.start();
        }
    }

    QTimer timer_;
    std::chrono::milliseconds interval_{0};
    bool enabled_ = false;
};

}  // namespace

QtEventLoop::QtEventLoop() = default;

QtEventLoop::~QtEventLoop() = default;

std::unique_ptr<Timer> QtEventLoop::createTimer(std::function<void()> onTick) {
    return std::make_unique<QtTimer>(std::move(onTick));
}

void QtEventLoop::waitUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    waiting_.push_back(&loop);
    while (!done()) {
        // A loop that cannot run (the application is quitting) would return
        // at once; wait for the next event instead of spinning.
        if (loop.exec() < 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    waiting_.erase(std::find(waiting_.begin(), waiting_.end(), &loop));
}

void QtEventLoop::wake() {
    // Runs on the loop's thread, inside whichever wait is innermost.
    QMetaObject::invokeMethod(&receiver_, [this] { quitWaits(); }, Qt::QueuedConnection);
}

void QtEventLoop::quitWaits() {
    // Every wait looks at its condition again; those not done go back to waiting.
    for (QEventLoop* loop : waiting_) loop->quit();
}

}  // namespace tavik
