#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "platform/EventLoop.h"

namespace tavik {

// The Windows event loop: the thread's message queue with a message-only
// window of its own. Timers are window timers (SetTimer); another thread
// wakes the loop by posting a message. Ctrl-C, Ctrl-Break and closing the
// console (the console control handler), the end of the Windows session
// (WM_QUERYENDSESSION, WM_ENDSESSION) and WM_CLOSE all ask for the exit. The
// session's end is announced by broadcast, which a message-only window never
// hears, so a hidden top-level window listens for it where there is a desktop.
class Win32EventLoop : public EventLoop {
public:
    // `timeScale` shortens every timer interval; only test builds change it.
    explicit Win32EventLoop(double timeScale = 1.0);
    ~Win32EventLoop() override;
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    std::unique_ptr<Timer> createTimer(std::function<void()> onTick) override;
    // Waits for `done` without running timers or exit handlers: the program
    // does one thing at a time. An exit asked for meanwhile is kept for the
    // loop, and `onExitWhileWaiting` may cut the wait short.
    void waitUntil(const std::function<bool()>& done) override;
    void wake() override;

    // Runs `onExit` on the loop's thread when the exit is asked for.
    void watchExit(std::function<void()> onExit, std::function<void()> onExitWhileWaiting = {});
    // Runs until quit().
    void run();
    void quit();

    // The loop's message-only window; it handles the session's messages and
    // WM_CLOSE like the hidden top-level one.
    HWND window() const { return window_; }

    // The console control handler that watchExit() installs. Windows runs it
    // on a thread of its own; a test may play the console and call it so.
    static BOOL WINAPI consoleHandler(DWORD event);

private:
    class LoopTimer;
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void requestExit();
    void runExit();

    double timeScale_;
    HWND window_ = nullptr;
    HWND sessionWindow_ = nullptr;
    UINT_PTR nextTimerId_ = 1;
    std::map<UINT_PTR, LoopTimer*> timers_;
    bool exitPending_ = false;
    bool exitRunning_ = false;
    bool waiting_ = false;
    std::function<void()> onExit_;
    std::function<void()> onExitWhileWaiting_;
};

}  // namespace tavik
