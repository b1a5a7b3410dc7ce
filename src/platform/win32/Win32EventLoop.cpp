#include "platform/win32/Win32EventLoop.h"

#include <atomic>
#include <cmath>
#include <cwchar>

#include "platform/win32/WindowOwner.h"

namespace tavik {
namespace {

// A window that stays open without a loop of its own (the info window) gets
// its keys here: Tab between its buttons, Enter and Escape on them.
bool forModelessDialog(MSG& message) {
    const HWND active = GetActiveWindow();
    if (active == nullptr) return false;
    wchar_t className[8] = {};
    if (GetClassNameW(active, className, 8) == 0 || std::wcscmp(className, L"#32770") != 0) return false;
    return IsDialogMessageW(active, &message) != FALSE;
}

constexpr UINT kWakeMessage = WM_APP + 1;
constexpr UINT kExitMessage = WM_APP + 2;
constexpr const wchar_t* kWindowClass = L"Tavik6EventLoop";

// The loop the console control handler reaches; the handler runs on a
// thread of its own that Windows starts.
std::atomic<HWND> g_exitWindow{nullptr};
// Set once the exit sequence has run, so that a handler for closing the
// console or ending the session can let Windows go on.
std::atomic<bool> g_exitDone{false};

}  // namespace

class Win32EventLoop::LoopTimer : public Timer {
public:
    LoopTimer(Win32EventLoop& loop, std::function<void()> onTick)
        : loop_(loop), id_(loop.nextTimerId_++), onTick_(std::move(onTick)) {
        loop_.timers_[id_] = this;
    }
    ~LoopTimer() override {
        stop();
        loop_.timers_.erase(id_);
    }

    void setInterval(std::chrono::milliseconds interval) override {
        interval_ = interval;
        if (enabled_) start();  // a new interval starts the count again
    }
    std::chrono::milliseconds interval() const override { return interval_; }
    void setEnabled(bool enabled) override {
        if (enabled == enabled_) return;
        enabled_ = enabled;
        if (enabled_) {
            start();
        } else {
            stop();
        }
    }
    bool enabled() const override { return enabled_; }

    void fire() {
        if (enabled_ && interval_.count() > 0) onTick_();
    }

private:
    void start() {
        if (interval_.count() <= 0) {
            stop();
            return;
        }
        const double scaled = std::max(1.0, std::round(static_cast<double>(interval_.count()) * loop_.timeScale_));
        SetTimer(loop_.window_, id_, static_cast<UINT>(std::min(scaled, double{USER_TIMER_MAXIMUM})), nullptr);
    }
    void stop() { KillTimer(loop_.window_, id_); }

    Win32EventLoop& loop_;
    UINT_PTR id_;
    std::function<void()> onTick_;
    std::chrono::milliseconds interval_{0};
    bool enabled_ = false;
};

Win32EventLoop::Win32EventLoop(double timeScale) : timeScale_(timeScale > 0 ? timeScale : 1.0) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32EventLoop::windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when a second loop registers it again
    window_ = CreateWindowExW(0, kWindowClass, L"Tavik6", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
    // Never shown; where there is no desktop (a service, Wine without a
    // display) it cannot be made, and the console handler is left.
    sessionWindow_ = CreateWindowExW(0, kWindowClass, L"Tavik6", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), this);
}

Win32EventLoop::~Win32EventLoop() {
    if (g_exitWindow.load() == window_) {
        SetConsoleCtrlHandler(&Win32EventLoop::consoleHandler, FALSE);
        g_exitWindow = nullptr;
    }
    if (sessionWindow_) DestroyWindow(sessionWindow_);
    if (window_) DestroyWindow(window_);
}

std::unique_ptr<Timer> Win32EventLoop::createTimer(std::function<void()> onTick) {
    return std::make_unique<LoopTimer>(*this, std::move(onTick));
}

void Win32EventLoop::watchExit(std::function<void()> onExit, std::function<void()> onExitWhileWaiting) {
    onExit_ = std::move(onExit);
    onExitWhileWaiting_ = std::move(onExitWhileWaiting);
    g_exitWindow = window_;
    g_exitDone = false;
    SetConsoleCtrlHandler(&Win32EventLoop::consoleHandler, TRUE);
}

BOOL WINAPI Win32EventLoop::consoleHandler(DWORD event) {
    const HWND window = g_exitWindow.load();
    if (!window) return FALSE;
    PostMessageW(window, kExitMessage, 0, 0);
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // Closing the console, logging off, shutting down: Windows ends the
    // process when this handler returns, so it waits (a bounded time) for
    // the exit sequence, which ends the process itself.
    for (int i = 0; i < 100 && !g_exitDone.load(); ++i) Sleep(50);
    return TRUE;
}

void Win32EventLoop::wake() { PostMessageW(window_, kWakeMessage, 0, 0); }

void Win32EventLoop::requestExit() {
    exitPending_ = true;
    if (waiting_ && onExitWhileWaiting_) onExitWhileWaiting_();
}

void Win32EventLoop::runExit() {
    if (!exitPending_ || exitRunning_ || waiting_) return;
    exitPending_ = false;
    exitRunning_ = true;
    if (onExit_) onExit_();
    g_exitDone = true;
    exitRunning_ = false;
}

void Win32EventLoop::waitUntil(const std::function<bool()>& done) {
    const bool outer = !waiting_;
    waiting_ = true;
    while (!done()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_POSTMESSAGE | QS_SENDMESSAGE);
        MSG message;
        // Only the loop's own messages are taken here; timer ticks and the
        // rest wait for the loop.
        while (PeekMessageW(&message, nullptr, kWakeMessage, kExitMessage, PM_REMOVE)) {
            if (message.message == kExitMessage) requestExit();
        }
    }
    if (outer) waiting_ = false;
}

LRESULT CALLBACK Win32EventLoop::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return forwardToOwner(window, message, wParam, lParam, &Win32EventLoop::handle);
}

LRESULT Win32EventLoop::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER: {
            const auto timer = timers_.find(wParam);
            if (timer != timers_.end()) timer->second->fire();
            return 0;
        }
        case kWakeMessage:
            return 0;
        case kExitMessage:
        case WM_CLOSE:
            requestExit();
            runExit();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The process may be ended as soon as this returns: the exit
            // sequence runs here and now.
            if (wParam) {
                requestExit();
                runExit();
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Win32EventLoop::run() {
    runExit();  // one asked for while the program was waiting
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!forModelessDialog(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        runExit();
    }
}

void Win32EventLoop::quit() { PostQuitMessage(0); }

}  // namespace tavik
