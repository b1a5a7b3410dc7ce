#include "platform/posix/PosixHostsFileStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

namespace tavik {
namespace {

using Step = PosixHostsFileStore::Step;

// Another program may rename a new file over the hosts file between our open
// and our lock; we then lock the new one, a few times at most.
constexpr int kLockAttempts = 5;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        close();
        fd_ = std::exchange(other.fd_, -1);
        return *this;
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

constexpr std::size_t kChunk = 65536;

// Reads `fd` from its start in chunks until `take` says stop. False on a read error.
template <typename Take>
bool readChunks(int fd, Take take) {
    char buffer[kChunk];
    off_t offset = 0;
    while (true) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (!take(std::string_view(buffer, static_cast<std::size_t>(n)))) return true;
        offset += n;
    }
}

std::optional<std::string> readAll(int fd) {
    std::string content;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) content.reserve(static_cast<std::size_t>(info.st_size));
    if (!readChunks(fd, [&](std::string_view chunk) {
            content.append(chunk);
            return true;
        }))
        return std::nullopt;
    return content;
}

// Whether `fd` holds exactly `expected`; nothing when it cannot be read.
std::optional<bool> holds(int fd, std::string_view expected) {
    std::size_t seen = 0;
    bool same = true;
    const bool read = readChunks(fd, [&](std::string_view chunk) {
        same = chunk.size() <= expected.size() - seen && expected.compare(seen, chunk.size(), chunk) == 0;
        seen += chunk.size();
        return same;
    });
    if (!read) return std::nullopt;
    return same && seen == expected.size();
}

bool writeAll(int fd, std::string_view data) {
    off_t offset = 0;
    while (static_cast<std::size_t>(offset) < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + offset, data.size() - static_cast<std::size_t>(offset), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        offset += n;
    }
    return true;
}

bool syncFolder(const std::string& folder) {
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.valid() && ::fsync(dir.get()) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// One replacement of one file, holding its lock from start to end.
class Replacement {
public:
    Replacement(const std::filesystem::path& file, const PosixHostsFileStore::FailAt& failAt)
        : file_(file.string()),
          newFile_(file_ + ".new"),
          backup_(file_ + ".jst"),
          folder_(file.has_parent_path() ? file.parent_path().string() : "."),
          failAt_(failAt) {}

    ~Replacement() {
        if (newCreated_) ::unlink(newFile_.c_str());
    }

    ReplaceResult run(const std::string& basedOn, const std::string& newContent) {
        if (!lockCurrent()) return ReplaceResult::Failed;
        const std::optional<bool> unchanged = failed(Step::ReadCurrent) ? std::nullopt : holds(locked_.get(), basedOn);
        if (!unchanged) return ReplaceResult::Failed;
        if (!*unchanged) return ReplaceResult::Changed;

        // Renaming over a symbolic link would replace the link, not the file.
        struct stat entry {};
        const bool renameable = ::lstat(file_.c_str(), &entry) == 0 && !S_ISLNK(entry.st_mode);
        if (!writeNew(newContent)) return ReplaceResult::Failed;
        if (!keepBackup(basedOn, !renameable)) return ReplaceResult::Failed;
        if (renameable) {
            if (!failed(Step::Rename) && ::rename(newFile_.c_str(), file_.c_str()) == 0) {
                newCreated_ = false;
                // The swap is done; a failed sync cannot take it back.
                if (!failed(Step::SyncFolder)) syncFolder(folder_);
                return ReplaceResult::Replaced;
            }
            if (errno != EBUSY && errno != EXDEV) return ReplaceResult::Failed;
            // The rewrite in place changes the locked inode, so the backup
            // must not share it.
            if (backupIsLink_ && !copyBackup(basedOn)) return ReplaceResult::Failed;
        }
        return rewriteInPlace(basedOn, newContent) ? ReplaceResult::Replaced : ReplaceResult::Failed;
    }

private:
    bool failed(Step step) const {
        if (!failAt_) return false;
        const int error = failAt_(step);
        if (error == 0) return false;
        errno = error;
        return true;
    }

    bool lockCurrent() {
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            if (failed(Step::OpenCurrent)) return false;
            Fd fd(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
            if (!fd.valid()) return false;
            if (failed(Step::Lock)) return false;
            int rc;
            do rc = ::flock(fd.get(), LOCK_EX);
            while (rc != 0 && errno == EINTR);
            struct stat byPath {};
            if (rc != 0 || ::fstat(fd.get(), &info_) != 0 || ::stat(file_.c_str(), &byPath) != 0) return false;
            if (sameFile(info_, byPath)) {
                locked_ = std::move(fd);
                return true;
            }
        }
        return false;
    }

    // Gives `fd` the hosts file's owner; not being allowed to is fine when it has it already.
    bool takeOwner(int fd) const {
        if (::fchown(fd, info_.st_uid, info_.st_gid) == 0) return true;
        struct stat now {};
        return ::fstat(fd, &now) == 0 && now.st_uid == info_.st_uid && now.st_gid == info_.st_gid;
    }

    bool writeNew(const std::string& content) {
        ::unlink(newFile_.c_str());
        if (failed(Step::CreateNew)) return false;
        Fd out(::open(newFile_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.valid()) return false;
        newCreated_ = true;
        return !failed(Step::WriteNew) && writeAll(out.get(), content) &&
               !failed(Step::OwnerNew) && takeOwner(out.get()) &&
               !failed(Step::ModeNew) && ::fchmod(out.get(), info_.st_mode & 07777) == 0 &&
               !failed(Step::SyncNew) && ::fsync(out.get()) == 0 &&
               !failed(Step::CloseNew) && out.close();
    }

    bool keepBackup(const std::string& previous, bool asCopy) {
        if (failed(Step::RemoveOldBackup) || (::unlink(backup_.c_str()) != 0 && errno != ENOENT)) return false;
        if (!asCopy && !failed(Step::LinkBackup) && ::link(file_.c_str(), backup_.c_str()) == 0) {
            // The path might have been swapped under us by a program that ignores the lock.
            struct stat linked {};
            if (::stat(backup_.c_str(), &linked) == 0 && sameFile(linked, info_)) {
                backupIsLink_ = true;
                return true;
            }
        }
        return copyBackup(previous);
    }

    bool copyBackup(const std::string& previous) {
        backupIsLink_ = false;
        ::unlink(backup_.c_str());
        if (failed(Step::CopyBackup)) return false;
        Fd out(::open(backup_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.valid()) return false;
        takeOwner(out.get());  // a backup owned by us is still a backup
        const bool ok = writeAll(out.get(), previous) && ::fchmod(out.get(), info_.st_mode & 07777) == 0 &&
                        ::fsync(out.get()) == 0 && out.close() && syncFolder(folder_);
        if (!ok) ::unlink(backup_.c_str());
        return ok;
    }

    bool rewriteInPlace(const std::string& previous, const std::string& content) {
        if (failed(Step::OpenInPlace)) return false;
        Fd out(::open(file_.c_str(), O_WRONLY | O_CLOEXEC));
        if (!out.valid()) return false;
        // Overwriting first and truncating after never leaves the file empty;
        // the padding covers the rest of a longer old text until the truncation.
        const bool written = !failed(Step::WriteInPlace) && writeAll(out.get(), padded(content, previous.size())) &&
                             !failed(Step::TruncateInPlace) &&
                             ::ftruncate(out.get(), static_cast<off_t>(content.size())) == 0 &&
                             !failed(Step::SyncInPlace) && ::fsync(out.get()) == 0;
        if (written) return true;
        // Put the previous content back; ".jst" holds it as well.
        struct stat now {};
        const std::size_t size = ::fstat(out.get(), &now) == 0 ? static_cast<std::size_t>(now.st_size) : content.size();
        if (writeAll(out.get(), padded(previous, std::max(size, content.size())))) {
            if (::ftruncate(out.get(), static_cast<off_t>(previous.size())) == 0) ::fsync(out.get());
        }
        return false;
    }

    // `text` followed by empty lines up to `size`: written over a longer
    // file, it leaves no tail of the old text behind, even before the file
    // is cut to length (a crash in between would otherwise leave a mixture).
    static std::string padded(const std::string& text, std::size_t size) {
        std::string result = text;
        if (result.size() < size) result.append(size - result.size(), '\n');
        return result;
    }

    const std::string file_;
    const std::string newFile_;
    const std::string backup_;
    const std::string folder_;
    const PosixHostsFileStore::FailAt& failAt_;
    Fd locked_;
    struct stat info_ {};
    bool newCreated_ = false;
    bool backupIsLink_ = false;
};

}  // namespace

PosixHostsFileStore::PosixHostsFileStore(FailAt failAt) : failAt_(std::move(failAt)) {}

std::optional<std::string> PosixHostsFileStore::read(const std::filesystem::path& file) {
    try {
        Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.valid()) return std::nullopt;
        return readAll(fd.get());
    } catch (...) {
        return std::nullopt;
    }
}

ReplaceResult PosixHostsFileStore::replace(const std::filesystem::path& file, const std::string& basedOn,
                                           const std::string& newContent) {
    try {
        return Replacement(file, failAt_).run(basedOn, newContent);
    } catch (...) {
        return ReplaceResult::Failed;
    }
}

}  // namespace tavik
