#pragma once
// File handles for the Windows adapters and tools that replace files: a
// handle that closes itself, a write that writes everything, and the short
// wait for a file that another program holds for a moment.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <thread>
#include <utility>

namespace tavik::winfile {

// Closes a file handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle& operator=(Handle&& other) noexcept {
        close();
        h_ = std::exchange(other.h_, INVALID_HANDLE_VALUE);
        return *this;
    }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // Closes now, so that a failing close is seen; true when there was
    // nothing to close.
    bool close() {
        const HANDLE h = std::exchange(h_, INVALID_HANDLE_VALUE);
        return h == INVALID_HANDLE_VALUE || CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

// Writes all of `data`; false when the file takes no more.
inline bool writeAll(HANDLE file, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// Errors that a program holding the file for a moment causes (a virus
// scanner, an indexer, a backup, the image of a program that has just
// ended); worth a short wait.
inline bool busy(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Runs `attempt` until it succeeds, fails for a reason other than a busy
// file, or `wait` has passed, pausing `pause` between tries. The last
// error stays that of the last try.
template <typename Attempt>
bool retryWhileBusy(std::chrono::milliseconds wait, std::chrono::milliseconds pause, Attempt attempt) {
    const auto until = std::chrono::steady_clock::now() + wait;
    while (true) {
        if (attempt()) return true;
        const DWORD error = GetLastError();
        if (!busy(error) || std::chrono::steady_clock::now() >= until) {
            SetLastError(error);
            return false;
        }
        std::this_thread::sleep_for(pause);
    }
}

}  // namespace tavik::winfile
