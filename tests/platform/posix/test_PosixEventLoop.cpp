#include "platform/posix/PosixEventLoop.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <thread>

namespace tavik {
namespace {

using namespace std::chrono_literals;

TEST(PosixEventLoop, TimersFireInIntervalOrderAndStopWhenDisabled) {
    PosixEventLoop loop;
    std::vector<std::string> order;
    std::unique_ptr<Timer> slow, fast;
    int fastTicks = 0;
    fast = loop.createTimer([&] {
        order.push_back("fast");
        if (++fastTicks == 3) fast->setEnabled(false);
    });
    slow = loop.createTimer([&] {
        order.push_back("slow");
        loop.quit();
    });
    fast->setInterval(5ms);
    fast->setEnabled(true);
    slow->setInterval(100ms);
    slow->setEnabled(true);
    loop.run();
    EXPECT_EQ(order, (std::vector<std::string>{"fast", "fast", "fast", "slow"}));
}

TEST(PosixEventLoop, TimerDeletedByAnotherTimersHandlerDoesNotFire) {
    PosixEventLoop loop;
    std::unique_ptr<Timer> victim;
    bool victimFired = false;
    auto killer = loop.createTimer([&] {
        victim.reset();
        loop.quit();
    });
    victim = loop.createTimer([&] { victimFired = true; });
    killer->setInterval(1ms);
    victim->setInterval(1ms);
    killer->setEnabled(true);
    victim->setEnabled(true);
    std::this_thread::sleep_for(5ms);  // both are due when the loop looks
    loop.run();
    EXPECT_FALSE(victimFired);
}

TEST(PosixEventLoop, WaitUntilReturnsWhenAnotherThreadWakesIt) {
    PosixEventLoop loop;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(20ms);
        done = true;
        loop.wake();
    });
    loop.waitUntil([&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(done);
}

TEST(PosixEventLoop, SignalDuringAWaitIsKeptForTheLoopAndCanCutTheWaitShort) {
    PosixEventLoop loop;
    std::vector<int> delivered;
    bool cut = false;
    loop.watchSignals({SIGUSR1}, [&](int s) {
        delivered.push_back(s);
        loop.quit();
    }, [&] { cut = true; });
    raise(SIGUSR1);
    loop.waitUntil([&] { return cut; });
    EXPECT_TRUE(delivered.empty()) << "no handler runs inside a wait";
    loop.run();
    EXPECT_EQ(delivered, (std::vector<int>{SIGUSR1}));
}

}  // namespace
}  // namespace tavik
