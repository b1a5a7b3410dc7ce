#include "platform/win32/Win32HostsFileStore.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/win32/FileHandle.h"
#include "text/LineEnds.h"

namespace tavik {
namespace {

using Step = Win32HostsFileStore::Step;
using Clock = std::chrono::steady_clock;
using winfile::Handle;
using winfile::writeAll;

constexpr auto kRetryPause = std::chrono::milliseconds(50);

// Writers lock one byte far beyond any hosts file's end: the lock excludes
// other writers that do the same, while readers such as the resolver still
// read the file (Windows locks are mandatory for the bytes they cover).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0;

// Runs `attempt` until it succeeds, fails for a reason other than a busy
// file, or `wait` has passed.
template <typename Attempt>
bool retryWhileBusy(std::chrono::milliseconds wait, Attempt attempt) {
    return winfile::retryWhileBusy(wait, kRetryPause, attempt);
}

std::optional<std::string> readAll(HANDLE file) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::string content;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) content.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[65536];
    while (true) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return std::nullopt;
        if (got == 0) return content;
        content.append(buffer, got);
    }
}

bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Writes a whole new file and flushes it to disk; false leaves no file.
bool writeFileThrough(const std::wstring& path, const std::string& content) {
    DeleteFileW(path.c_str());
    Handle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid()) return false;
    const bool ok = writeAll(out.get(), content) && FlushFileBuffers(out.get()) && out.close();
    if (!ok) {
        const DWORD error = GetLastError();
        out.close();
        DeleteFileW(path.c_str());
        SetLastError(error);
    }
    return ok;
}

// One replacement of one file, holding the writers' lock from start to end.
class Replacement {
public:
    Replacement(const std::filesystem::path& file, const Win32HostsFileStore::FailAt& failAt,
                std::chrono::milliseconds lockWait, std::chrono::milliseconds busyWait)
        : file_(file.wstring()),
          newFile_(file_ + L".new"),
          backup_(file_ + L".jst"),
          failAt_(failAt),
          lockWait_(lockWait),
          busyWait_(busyWait) {}

    ~Replacement() {
        if (newCreated_) DeleteFileW(newFile_.c_str());
        if (locked_.valid()) {
            OVERLAPPED at{};
            at.Offset = kLockOffsetLow;
            at.OffsetHigh = kLockOffsetHigh;
            UnlockFileEx(locked_.get(), 0, 1, 0, &at);
        }
    }

    EditOutcome run(const HostsFileStore::Transform& transform) {
        if (!lockCurrent()) return failure("sie ließ sich nicht öffnen oder sperren");
        const std::optional<std::string> current = readAll(locked_.get());
        if (!current) return failure("sie ließ sich nicht lesen");
        const std::optional<Identity> seen = identity();

        const std::string content = withSystemLineEnds(transform(*current));
        if (failed(Step::WriteNew) || !writeFileThrough(newFile_, content))
            return failure("die neue Datei ließ sich nicht schreiben");
        newCreated_ = true;
        // A program that ignores the lock may have written meanwhile.
        if (!seen || identity() != seen) return {ReplaceResult::Changed, "ein anderes Programm hat sie geändert"};
        if (!DeleteFileW(backup_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            return failure("die alte Sicherung ließ sich nicht löschen");

        if (swap()) return {ReplaceResult::Replaced, ""};
        // The swap was refused: keep the backup, then write the file itself.
        if (failed(Step::InPlace)) return failure("sie ließ sich weder ersetzen noch neu schreiben");
        if (!writeFileThrough(backup_, *current)) return failure("die Sicherung ließ sich nicht schreiben");
        if (!rewriteInPlace(*current, content)) return failure("sie ließ sich nicht neu schreiben");
        return {ReplaceResult::Replaced, ""};
    }

private:
    // Size and last write of the locked file, to notice another writer.
    struct Identity {
        ULONGLONG size = 0;
        ULONGLONG written = 0;
        bool operator==(const Identity&) const = default;
    };

    std::optional<Identity> identity() const {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(locked_.get(), &info)) return std::nullopt;
        return Identity{(ULONGLONG{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
                        (ULONGLONG{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime};
    }

    // A failed edit with its reason for the log and the Windows error code.
    static EditOutcome failure(const std::string& reason) {
        return {ReplaceResult::Failed, reason + " (Windows-Fehler " + std::to_string(GetLastError()) + ")"};
    }

    bool failed(Step step) const {
        if (!failAt_) return false;
        const unsigned long error = failAt_(step);
        if (error == 0) return false;
        SetLastError(error);
        return true;
    }

    // Opens the file and takes the writers' lock, waiting a bounded time for
    // another writer. Another program may swap a new file in between our
    // open and our lock; we then lock the new one.
    bool lockCurrent() {
        const auto until = Clock::now() + lockWait_;
        while (true) {
            Handle file;
            const bool opened = retryWhileBusy(busyWait_, [&] {
                if (failed(Step::Open)) return false;
                file = Handle(CreateFileW(file_.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
                return file.valid();
            });
            if (!opened) return false;
            OVERLAPPED at{};
            at.Offset = kLockOffsetLow;
            at.OffsetHigh = kLockOffsetHigh;
            if (!failed(Step::Lock) &&
                LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
                Handle byPath(CreateFileW(file_.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                          nullptr));
                if (byPath.valid() && sameFile(file.get(), byPath.get())) {
                    locked_ = std::move(file);
                    return true;
                }
                UnlockFileEx(file.get(), 0, 1, 0, &at);
            } else if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
                return false;
            }
            if (Clock::now() >= until) {
                SetLastError(ERROR_LOCK_VIOLATION);
                return false;
            }
            std::this_thread::sleep_for(kRetryPause);
        }
    }

    // ReplaceFileW keeps the old file as the backup and hands its security
    // and attributes to the new one; MoveFileExW is the way where it cannot.
    bool swap() {
        const bool replaced = retryWhileBusy(busyWait_, [&] {
            if (failed(Step::Swap)) return false;
            if (ReplaceFileW(file_.c_str(), newFile_.c_str(), backup_.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS,
                             nullptr, nullptr))
                return true;
            const DWORD error = GetLastError();
            // The old file went to the backup name but the new one did not
            // follow: put the old one back at once, so there is always a file.
            if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(backup_.c_str(), file_.c_str(), MOVEFILE_WRITE_THROUGH);
            SetLastError(error);
            return false;
        });
        if (replaced) {
            newCreated_ = false;
            return true;
        }
        if (failed(Step::Move)) return false;
        if (!CopyFileW(file_.c_str(), backup_.c_str(), FALSE)) return false;
        if (!MoveFileExW(newFile_.c_str(), file_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            DeleteFileW(backup_.c_str());
            return false;
        }
        newCreated_ = false;
        return true;
    }

    bool rewriteInPlace(const std::string& previous, const std::string& content) {
        Handle out;
        const bool opened = retryWhileBusy(busyWait_, [&] {
            out = Handle(CreateFileW(file_.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
            return out.valid();
        });
        if (!opened) return false;
        // Overwriting first and cutting after never leaves the file empty; the
        // padding covers the rest of a longer old text until the cut.
        if (writeAll(out.get(), padded(content, previous.size())) && cutAt(out.get(), content.size()) &&
            FlushFileBuffers(out.get()))
            return true;
        // Put the previous content back; ".jst" holds it as well.
        if (writeAll(out.get(), padded(previous, content.size()))) cutAt(out.get(), previous.size());
        FlushFileBuffers(out.get());
        return false;
    }

    static bool cutAt(HANDLE file, std::size_t size) {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(size);
        return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    }

    static std::string padded(const std::string& text, std::size_t size) {
        std::string result = text;
        if (result.size() < size) result.append(size - result.size(), '\n');
        return result;
    }

    const std::wstring file_;
    const std::wstring newFile_;
    const std::wstring backup_;
    const Win32HostsFileStore::FailAt& failAt_;
    const std::chrono::milliseconds lockWait_;
    const std::chrono::milliseconds busyWait_;
    Handle locked_;
    bool newCreated_ = false;
};

}  // namespace

Win32HostsFileStore::Win32HostsFileStore(FailAt failAt, std::chrono::milliseconds lockWait,
                                         std::chrono::milliseconds busyWait)
    : failAt_(std::move(failAt)), lockWait_(lockWait), busyWait_(busyWait) {}

std::optional<std::string> Win32HostsFileStore::read(const std::filesystem::path& file) {
    try {
        Handle in;
        const bool opened = retryWhileBusy(busyWait_, [&] {
            in = Handle(CreateFileW(file.wstring().c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            return in.valid();
        });
        if (!opened) return std::nullopt;
        return readAll(in.get());
    } catch (...) {
        return std::nullopt;
    }
}

EditOutcome Win32HostsFileStore::edit(const std::filesystem::path& file, const Transform& transform) {
    try {
        return Replacement(file, failAt_, lockWait_, busyWait_).run(transform);
    } catch (...) {
        return {ReplaceResult::Failed, "zu wenig Arbeitsspeicher"};
    }
}

}  // namespace tavik
