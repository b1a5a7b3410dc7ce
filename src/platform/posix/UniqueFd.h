#pragma once
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

namespace tavik {

// Owns one file descriptor and closes it once, however the scope is left.
// Header-only, so the transfer and the tools use it without linking the
// Linux adapters.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(std::exchange(other.fd_, -1));
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Takes `fd` in place of the one held, which is closed.
    void reset(int fd = -1) {
        close();
        fd_ = fd;
    }
    // Closes now, so that a failing close (a lost delayed write) is seen;
    // true when nothing was open.
    bool close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all of `data` at the descriptor's position, going on after a
// partial write or an interruption; false on an error (errno tells which).
inline bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace tavik
