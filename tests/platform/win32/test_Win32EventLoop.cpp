#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/Win32EventLoop.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

TEST(Win32EventLoop, TimersTickByIntervalAndOnlyWhileEnabled) {
    Win32EventLoop loop;
    int fast = 0, slow = 0, off = 0;
    auto fastTimer = loop.createTimer([&] {
        if (++fast == 6) loop.quit();
    });
    auto slowTimer = loop.createTimer([&] { ++slow; });
    auto offTimer = loop.createTimer([&] { ++off; });
    fastTimer->setInterval(20ms);
    fastTimer->setEnabled(true);
    slowTimer->setEnabled(true);
    slowTimer->setInterval(10s);
    offTimer->setInterval(10ms);
    loop.run();
    EXPECT_EQ(fast, 6);
    EXPECT_EQ(slow, 0);
    EXPECT_EQ(off, 0);
    EXPECT_EQ(slowTimer->interval(), 10s);
    EXPECT_FALSE(offTimer->enabled());

    // A timer stopped by its own tick ticks no more.
    fastTimer.reset();
    int once = 0;
    std::unique_ptr<Timer> single;
    single = loop.createTimer([&] {
        ++once;
        single->setEnabled(false);
        loop.quit();
    });
    single->setInterval(5ms);
    single->setEnabled(true);
    loop.run();
    EXPECT_EQ(once, 1);
}

TEST(Win32EventLoop, WaitingRunsNoTimerAndEndsWhenAnotherThreadWakesIt) {
    Win32EventLoop loop;
    int ticks = 0;
    auto timer = loop.createTimer([&] { ++ticks; });
    timer->setInterval(5ms);
    timer->setEnabled(true);
    std::atomic<bool> done{false};
    std::thread helper([&] {
        std::this_thread::sleep_for(200ms);
        done = true;
        loop.wake();
    });
    const auto start = std::chrono::steady_clock::now();
    loop.waitUntil([&] { return done.load(); });
    helper.join();
    EXPECT_EQ(ticks, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms) << "woken, not found by the safety poll";
}

TEST(Win32EventLoop, ExitRequestsRunTheExitOnTheLoopsThread) {
    Win32EventLoop loop;
    const DWORD loopThread = GetCurrentThreadId();
    int exits = 0, cuts = 0;
    DWORD exitThread = 0;
    loop.watchExit(
        [&] {
            ++exits;
            exitThread = GetCurrentThreadId();
            loop.quit();
        },
        [&] { ++cuts; });

    // Closing the window.
    PostMessageW(loop.window(), WM_CLOSE, 0, 0);
    loop.run();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(exitThread, loopThread);

    // Ctrl-Break at the console: Windows runs the handler on a thread of its
    // own (played here: the tests run without a console).
    std::thread console([] { EXPECT_TRUE(Win32EventLoop::consoleHandler(CTRL_BREAK_EVENT)); });
    console.join();
    loop.run();
    EXPECT_EQ(exits, 2);
    EXPECT_EQ(exitThread, loopThread);

    // The session ends: the exit has run before the message returns.
    EXPECT_TRUE(SendMessageW(loop.window(), WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ(exits, 2);
    SendMessageW(loop.window(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(exits, 3);
    SendMessageW(loop.window(), WM_ENDSESSION, FALSE, 0);  // the end was called off
    EXPECT_EQ(exits, 3);

    // Asked for during a wait: the wait is cut short, the exit follows after it.
    std::thread helper([] {
        std::this_thread::sleep_for(100ms);
        Win32EventLoop::consoleHandler(CTRL_C_EVENT);
    });
    loop.waitUntil([&] { return cuts > 0; });
    helper.join();
    EXPECT_EQ(exits, 3);
    loop.run();
    EXPECT_EQ(exits, 4);
}

}  // namespace
}  // namespace tavik
