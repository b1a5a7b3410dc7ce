#pragma once
#include <chrono>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "platform/EventLoop.h"

namespace tavik {

// The headless front end's event loop: poll() over a wake pipe and a signal
// pipe, with the timers' deadlines on the steady clock as time-outs.
class SignalPipe;

class PosixEventLoop : public EventLoop {
public:
    // `timeScale` shortens every timer interval (0.01: a minute lasts 0.6 s);
    // only test builds use anything but 1.
    explicit PosixEventLoop(double timeScale = 1.0);
    ~PosixEventLoop() override;
    PosixEventLoop(const PosixEventLoop&) = delete;
    PosixEventLoop& operator=(const PosixEventLoop&) = delete;

    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;
    // Waits for `done` without running timers or signal handlers: the program
    // does one thing at a time. A signal that arrives meanwhile is kept for
    // the loop, and `onSignalWhileWaiting` may cut the wait short.
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override;

    // Delivers these signals to `onSignal` on the loop's thread.
    void watchSignals(std::initializer_list<int> signals, std::function<void(int)> onSignal,
                      std::function<void()> onSignalWhileWaiting = {});
    // Readable while a watched signal waits to be handled; -1 before watchSignals().
    int signalFd() const;
    // Called by run() each time it has done what was due and goes to sleep
    // until the next timer or signal: the moment to let go of what the
    // program holds only while it works.
    void beforeWaiting(std::function<void()> onIdle) { beforeWaiting_ = std::move(onIdle); }
    // Runs until quit().
    void run();
    void quit();

private:
    class LoopTimer;
    using Clock = std::chrono::steady_clock;

    void drain(int fd);
    void readSignals();
    void fireDueTimers();
    int pollTimeoutMs() const;

    double timeScale_;
    int wakePipe_[2] = {-1, -1};
    std::unique_ptr<SignalPipe> signals_;
    bool quit_ = false;
    std::vector<LoopTimer*> timers_;
    std::deque<int> pendingSignals_;
    std::function<void(int)> onSignal_;
    std::function<void()> onSignalWhileWaiting_;
    std::function<void()> beforeWaiting_;
};

}  // namespace tavik
