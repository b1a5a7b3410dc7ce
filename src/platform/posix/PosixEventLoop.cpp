#include "platform/posix/PosixEventLoop.h"

#include "platform/posix/SignalPipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tavik {
namespace {

void openPipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) fds[0] = fds[1] = -1;
}

}  // namespace

class PosixEventLoop::LoopTimer : public Timer {
public:
    LoopTimer(PosixEventLoop& loop, std::function<void()> onTick) : loop_(loop), onTick_(std::move(onTick)) {
        loop_.timers_.push_back(this);
    }
    ~LoopTimer() override { std::erase(loop_.timers_, this); }

    void setInterval(std::chrono::milliseconds interval) override {
        interval_ = interval;
        due_ = Clock::now() + scaled();  // a new interval starts the count again
    }
    std::chrono::milliseconds interval() const override { return interval_; }
    void setEnabled(bool enabled) override {
        if (enabled && !enabled_) due_ = Clock::now() + scaled();
        enabled_ = enabled;
    }
    bool enabled() const override { return enabled_; }

    Clock::time_point due() const { return due_; }
    bool active() const { return enabled_ && interval_.count() > 0; }
    void fire() {
        due_ = Clock::now() + scaled();
        onTick_();
    }

private:
    Clock::duration scaled() const {
        return std::chrono::duration_cast<Clock::duration>(interval_ * loop_.timeScale_);
    }

    PosixEventLoop& loop_;
    std::function<void()> onTick_;
    std::chrono::milliseconds interval_{0};
    bool enabled_ = false;
    Clock::time_point due_{};
};

PosixEventLoop::PosixEventLoop(double timeScale) : timeScale_(timeScale > 0 ? timeScale : 1.0) {
    openPipe(wakePipe_);
}

PosixEventLoop::~PosixEventLoop() {
    for (int fd : wakePipe_)
        if (fd >= 0) close(fd);
}

std::unique_ptr<Timer> PosixEventLoop::createTimer(std::function<void()> onTick) {
    return std::make_unique<LoopTimer>(*this, std::move(onTick));
}

void PosixEventLoop::watchSignals(std::initializer_list<int> signals, std::function<void(int)> onSignal,
                                  std::function<void()> onSignalWhileWaiting) {
    onSignal_ = std::move(onSignal);
    onSignalWhileWaiting_ = std::move(onSignalWhileWaiting);
    signals_ = std::make_unique<SignalPipe>(signals);
}

int PosixEventLoop::signalFd() const { return signals_ ? signals_->readFd() : -1; }

void PosixEventLoop::wake() {
    const unsigned char byte = 1;
    [[maybe_unused]] auto written = write(wakePipe_[1], &byte, 1);
}

void PosixEventLoop::drain(int fd) {
    unsigned char buffer[64];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

void PosixEventLoop::readSignals() {
    if (!signals_) return;
    for (int signal : signals_->takeSignals()) pendingSignals_.push_back(signal);
}

void PosixEventLoop::waitUntil(const std::function<bool()>& done) {
    while (!done()) {
        pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {signalFd(), POLLIN, 0}};
        if (poll(fds, 2, 1000) < 0 && errno != EINTR) continue;
        if (fds[0].revents & POLLIN) drain(wakePipe_[0]);
        if (fds[1].revents & POLLIN) {
            readSignals();
            if (onSignalWhileWaiting_) onSignalWhileWaiting_();
        }
    }
}

int PosixEventLoop::pollTimeoutMs() const {
    int timeout = -1;
    const auto now = Clock::now();
    for (const LoopTimer* timer : timers_) {
        if (!timer->active()) continue;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer->due() - now).count();
        const int ms = static_cast<int>(std::clamp<long long>(left, 0, 3'600'000));
        timeout = timeout < 0 ? ms : std::min(timeout, ms);
    }
    return timeout;
}

void PosixEventLoop::fireDueTimers() {
    // A handler may stop, start or delete timers; look each one up again.
    const auto snapshot = timers_;
    for (LoopTimer* timer : snapshot) {
        if (quit_) return;
        if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
        if (timer->active() && timer->due() <= Clock::now()) timer->fire();
    }
}

void PosixEventLoop::run() {
    quit_ = false;
    while (!quit_) {
        while (!pendingSignals_.empty() && !quit_) {
            const int signal = pendingSignals_.front();
            pendingSignals_.pop_front();
            if (onSignal_) onSignal_(signal);
        }
        if (quit_) break;
        if (beforeWaiting_) beforeWaiting_();
        pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {signalFd(), POLLIN, 0}};
        const int ready = poll(fds, 2, pollTimeoutMs());
        if (ready > 0) {
            if (fds[0].revents & POLLIN) drain(wakePipe_[0]);
            if (fds[1].revents & POLLIN) readSignals();
        }
        fireDueTimers();
    }
}

void PosixEventLoop::quit() {
    quit_ = true;
    wake();
}

}  // namespace tavik
