#pragma once
#include <QObject>
#include <vector>

#include "platform/EventLoop.h"

class QEventLoop;

namespace tavik {

// The event loop port on Qt's loop. A caller that waits for work on another
// thread runs a nested QEventLoop, so the tray menu and the windows stay
// usable meanwhile; wake() ends the nested loops from any thread.
class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override;

    // How many waits are running, innermost included.
    int waitDepth() const { return static_cast<int>(waiting_.size()); }

private:
    void quitWaits();

    QObject receiver_;  // lives on the loop's thread; wake() posts to it
    std::vector<QEventLoop*> waiting_;
};

}  // namespace tavik
