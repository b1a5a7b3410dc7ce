#pragma once
#include <chrono>
#include <functional>

#include "platform/HostsFileStore.h"

namespace tavik {

// The hosts file on Windows. A replacement writes "<file>.new" completely
// with CR LF line ends and flushes it to disk, then swaps it in with
// ReplaceFileW, which keeps the old file as "<file>.jst" and gives the new
// one the old one's security and attributes; MoveFileExW is the second way.
// Where the swap is refused the file is rewritten in place, once the backup
// is on disk. Two writers exclude each other with LockFileEx; the file is
// read once under that lock, and a program that ignores the lock and writes
// meanwhile is noticed by the file's size and time before the swap. A virus
// scanner that holds the file for a moment is waited for briefly.
class Win32HostsFileStore : public HostsFileStore {
public:
    // The steps of a replacement, named so that a test can make one fail.
    enum class Step { Open, Lock, WriteNew, Swap, Move, InPlace };
    // Asked before each step: 0 lets it run, any other value makes the step
    // fail with that Windows error code.
    using FailAt = std::function<unsigned long(Step)>;

    explicit Win32HostsFileStore(FailAt failAt = {},
                                 std::chrono::milliseconds lockWait = std::chrono::seconds(10),
                                 std::chrono::milliseconds busyWait = std::chrono::seconds(2));

    std::optional<std::string> read(const std::filesystem::path& file) override;
    EditOutcome edit(const std::filesystem::path& file, const Transform& transform) override;

private:
    FailAt failAt_;
    std::chrono::milliseconds lockWait_;
    std::chrono::milliseconds busyWait_;
};

}  // namespace tavik
