// The event loop port on Qt: timers, and waiting for another thread while
// the loop's other events keep running.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <atomic>
#include <thread>

#include "ui/QtEventLoop.h"

namespace tavik {
namespace {

using namespace std::chrono_literals;

TEST(QtEventLoop, TimerFiresOnlyOnceEnabledAndStopsWhenDisabled) {
    QtEventLoop loop;
    int ticks = 0;
    auto timer = loop.createTimer([&] { ++ticks; });
    timer->setInterval(1ms);
    EXPECT_FALSE(timer->enabled());
    timer->setEnabled(true);
    EXPECT_EQ(timer->interval(), 1ms);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 30000);
    timer->setEnabled(false);
    const int stoppedAt = ticks;
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, stoppedAt);

    // A timer without an interval does not fire, enabled or not.
    timer->setInterval(0ms);
    timer->setEnabled(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(QtEventLoop, WaitingKeepsOtherEventsRunningUntilWoken) {
    QtEventLoop loop;
    std::atomic<bool> done = false;
    bool menuRanWhileWaiting = false;
    // Stands for the user opening the menu during a request.
    QTimer::singleShot(0, [&] {
        menuRanWhileWaiting = true;
        std::thread([&] {
            done = true;
            loop.wake();
        }).detach();
    });
    loop.waitUntil([&] { return done.load(); });
    EXPECT_TRUE(done);
    EXPECT_TRUE(menuRanWhileWaiting);
    EXPECT_EQ(loop.waitDepth(), 0);
}

TEST(QtEventLoop, AWaitInsideAWaitEndsAndTheOuterOneToo) {
    QtEventLoop loop;
    std::atomic<bool> outerDone = false;
    std::atomic<bool> innerDone = false;
    int deepest = 0;
    std::thread worker;
    QTimer::singleShot(0, [&] {
        // A handler that runs during the outer wait waits itself.
        worker = std::thread([&] {
            outerDone = true;
            loop.wake();
            innerDone = true;
            loop.wake();
        });
        deepest = loop.waitDepth() + 1;
        loop.waitUntil([&] { return innerDone.load(); });
    });
    loop.waitUntil([&] { return outerDone.load(); });
    worker.join();
    EXPECT_EQ(deepest, 2);
    EXPECT_TRUE(innerDone);
}

}  // namespace
}  // namespace tavik
