#include "platform/posix/PosixHostsFileStore.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/posix/UniqueFd.h"

namespace tavik {
namespace {

using Step = PosixHostsFileStore::Step;
using SteadyClock = std::chrono::steady_clock;

// Another program may rename a new file over the hosts file between our open
// and our lock; we then lock the new one, a few times at most.
constexpr int kLockAttempts = 5;

// While another program holds the lock we ask again after a pause that grows
// to this; the stop descriptor cuts any pause short.
constexpr std::chrono::milliseconds kLongestLockPause{50};

// The whole of `fd` from its start into `content`; false on a read error.
// Read straight into the string, sized by the file's length plus one byte,
// so that a file that does not grow meanwhile costs one read and no copy.
bool readAll(int fd, std::string& content) {
    struct stat info {};
    const std::size_t expected = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    content.resize(expected + 1);
    std::size_t done = 0;
    while (true) {
        if (done == content.size()) content.resize(done + done / 2 + 4096);
        const ssize_t n = ::pread(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    content.resize(done);
    return true;
}

// All of `data` written from the start of `fd`, whatever its position: a
// failed rewrite in place puts the previous content back over the same
// descriptor after the position has moved on. Named apart from writeAll,
// which writes at the position.
bool writeFromStart(int fd, std::string_view data) {
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
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.valid() && ::fsync(dir.get()) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// All names of the extended attributes of `fd`, each ended by a NUL; empty
// where the file system has none. False when they cannot be listed.
bool attributeNames(int fd, std::vector<char>& names) {
    while (true) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) {
            names.clear();
            return errno == ENOTSUP || errno == ENOSYS;
        }
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = size > 0 ? ::flistxattr(fd, names.data(), names.size()) : 0;
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;  // grew meanwhile: ask again
    }
}

bool listed(const std::vector<char>& names, std::string_view name) {
    for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1)
        if (name == names.data() + at) return true;
    return false;
}

bool attributeValue(int fd, const char* name, std::vector<char>& value) {
    while (true) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = size > 0 ? ::fgetxattr(fd, name, value.data(), value.size()) : 0;
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
}

// The system's words for an error, in brackets after our own.
std::string because(int error) { return std::string(" (") + std::strerror(error) + ")"; }

// One edit of one file, holding its lock from start to end. Every way it
// fails leaves a note for the log.
class Edit {
public:
    Edit(const std::filesystem::path& file, const PosixHostsFileStore::FailAt& failAt,
         std::chrono::milliseconds lockWait, int stopFd)
        : file_(file.string()),
          newFile_(file_ + ".new"),
          backup_(file_ + ".jst"),
          folder_(file.has_parent_path() ? file.parent_path().string() : "."),
          failAt_(failAt),
          lockWait_(lockWait),
          stopFd_(stopFd) {}

    ~Edit() {
        if (newCreated_) ::unlink(newFile_.c_str());
    }

    EditOutcome run(const HostsFileStore::Transform& transform) {
        if (!lockCurrent()) return failure();
        std::string previous;
        if (failed(Step::ReadCurrent) || !readAll(locked_.get(), previous))
            return failure("sie lässt sich nicht lesen" + because(errno));
        const std::string content = transform(previous);

        // Renaming over a symbolic link would replace the link, not the file.
        struct stat entry {};
        bool renameable = ::lstat(file_.c_str(), &entry) == 0 && !S_ISLNK(entry.st_mode);
        // The backup comes first, as it hands the old backup on to be
        // overwritten as the new file.
        bool withBackup = keepBackup(previous, !renameable);
        if (!withBackup) {
            // A read-only folder takes no side file at all, but a file
            // mounted there on its own may still be writable.
            if (errno != EROFS) return failure("die Sicherung " + backup_ + " lässt sich nicht anlegen" + because(errno));
            renameable = false;
        }
        if (renameable && !writeNew(content))
            return failure("die neue Fassung " + newFile_ + " lässt sich nicht schreiben" + because(errno));
        if (renameable) {
            if (!stillAsRead()) return outcome(ReplaceResult::Changed);
            if (!failed(Step::Rename) && ::rename(newFile_.c_str(), file_.c_str()) == 0) {
                newCreated_ = false;
                // The swap is done; a failed sync cannot take it back.
                if (!failed(Step::SyncFolder)) syncSwap();
                return outcome(ReplaceResult::Replaced);
            }
            if (errno != EBUSY && errno != EXDEV)
                return failure("sie lässt sich nicht durch " + newFile_ + " ersetzen" + because(errno));
            // The rewrite in place changes the locked inode, so the backup
            // must not share it.
            if (backupIsLink_ && !copyBackup(previous))
                return failure("die Sicherung " + backup_ + " lässt sich nicht anlegen" + because(errno));
        } else if (!stillAsRead()) {
            return outcome(ReplaceResult::Changed);
        }
        if (!rewriteInPlace(previous, content))
            return failure("sie lässt sich nicht an Ort und Stelle neu schreiben" + because(errno) +
                           "; der alte Inhalt wurde zurückgeschrieben");
        if (!withBackup)
            addNote("der Ordner ist schreibgeschützt, daher an Ort und Stelle und ohne Sicherung " + backup_ +
                    " neu geschrieben");
        return outcome(ReplaceResult::Replaced);
    }

private:
    bool failed(Step step) const {
        if (!failAt_) return false;
        const int error = failAt_(step);
        if (error == 0) return false;
        errno = error;
        return true;
    }

    void addNote(const std::string& text) { note_ += (note_.empty() ? "" : "; ") + text; }

    EditOutcome outcome(ReplaceResult result) {
        if (result == ReplaceResult::Changed)
            addNote("ein anderes Programm hat sie während der Änderung geändert, ohne auf die Sperre zu achten");
        return {result, note_};
    }

    EditOutcome failure(const std::string& why = {}) {
        if (!why.empty()) addNote(why);
        return outcome(ReplaceResult::Failed);
    }

    enum class LockWait { Locked, Busy, Stopped, Failed };

    // Takes the lock on `fd`, waiting until `deadline` at most while another
    // program holds it, and less when the stop descriptor becomes readable.
    LockWait waitForLock(int fd, SteadyClock::time_point deadline) const {
        std::chrono::milliseconds pause{1};
        while (true) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return LockWait::Locked;
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) return LockWait::Failed;
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0) return LockWait::Busy;
            pollfd stop{stopFd_, POLLIN, 0};
            if (::poll(&stop, 1, static_cast<int>(std::min(pause, left).count())) > 0 && (stop.revents & POLLIN))
                return LockWait::Stopped;
            pause = std::min(pause * 2, kLongestLockPause);
        }
    }

    bool lockCurrent() {
        const auto deadline = SteadyClock::now() + lockWait_;
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            UniqueFd fd(failed(Step::OpenCurrent) ? -1 : ::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
            if (!fd.valid()) {
                addNote("sie lässt sich nicht öffnen" + because(errno));
                return false;
            }
            const LockWait wait = failed(Step::Lock) ? LockWait::Failed : waitForLock(fd.get(), deadline);
            if (wait == LockWait::Busy) {
                const auto ms = lockWait_.count();
                addNote("ein anderes Programm hält sie länger als " +
                        (ms % 1000 == 0 ? std::to_string(ms / 1000) + " Sekunden" : std::to_string(ms) + " ms") +
                        " gesperrt");
                return false;
            }
            if (wait == LockWait::Stopped) {
                addNote("das Warten auf die Sperre eines anderen Programms wurde für das Programmende abgebrochen");
                return false;
            }
            struct stat byPath {};
            if (wait == LockWait::Failed || ::fstat(fd.get(), &info_) != 0 || ::stat(file_.c_str(), &byPath) != 0) {
                addNote("sie lässt sich nicht sperren" + because(errno));
                return false;
            }
            if (sameFile(info_, byPath)) {
                locked_ = std::move(fd);
                return true;
            }
        }
        addNote("andere Programme ersetzen sie laufend");
        return false;
    }

    // Right before the swap: the path still leads to the locked file, and
    // nothing wrote to it since it was read (size and modification time).
    bool stillAsRead() {
        struct stat now {};
        struct stat byPath {};
        if (failed(Step::CheckCurrent) || ::fstat(locked_.get(), &now) != 0 || ::stat(file_.c_str(), &byPath) != 0)
            return false;
        return sameFile(byPath, info_) && now.st_size == info_.st_size && sameTime(now.st_mtim, info_.st_mtim);
    }

    // The new file's data went to the disk before the swap; its owner, mode
    // and attributes go now, in one commit with the swap itself. Synced in
    // full before the swap, a file overwritten at the same length would
    // cost a second commit of the file system's journal.
    void syncSwap() const {
        UniqueFd swapped(::open(file_.c_str(), O_RDONLY | O_CLOEXEC));
        if (swapped.valid()) ::fsync(swapped.get());
        syncFolder(folder_);
    }

    // Gives `fd` the hosts file's owner; not being allowed to is fine when it has it already.
    bool takeOwner(int fd) const {
        if (::fchown(fd, info_.st_uid, info_.st_gid) == 0) return true;
        struct stat now {};
        return ::fstat(fd, &now) == 0 && now.st_uid == info_.st_uid && now.st_gid == info_.st_gid;
    }

    // Gives `out` the extended attributes of the hosts file: its ACLs, its
    // security labels and the user's own attributes; a reused file also
    // loses those the hosts file no longer has. A security attribute that
    // this process may not set or remove is left as it is, with a note: the
    // file is still safe to use, and refusing the edit would help nobody.
    bool copyAttributes(int out) {
        std::vector<char> names;
        if (failed(Step::AttributesNew) || !attributeNames(locked_.get(), names)) return false;
        auto skippable = [this](const char* name) {
            if (!std::string_view(name).starts_with("security.")) return false;
            addNote("das Attribut " + std::string(name) + " ließ sich nicht übernehmen" + because(errno));
            return true;
        };
        if (reused_) {
            std::vector<char> stale;
            if (!attributeNames(out, stale)) return false;
            for (std::size_t at = 0; at < stale.size(); at += std::strlen(stale.data() + at) + 1) {
                const char* name = stale.data() + at;
                if (listed(names, name)) continue;
                if (::fremovexattr(out, name) != 0 && errno != ENODATA && !skippable(name)) return false;
            }
        }
        std::vector<char> value;
        for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
            const char* name = names.data() + at;
            if (!attributeValue(locked_.get(), name, value)) {
                if (errno == ENODATA) continue;  // removed meanwhile
                return false;
            }
            if (::fsetxattr(out, name, value.data(), value.size(), 0) != 0 && !skippable(name)) return false;
        }
        return true;
    }

    // Only a plain file with no other name, owned by the hosts file's owner,
    // is overwritten: never another file, nor one another user planted there
    // (and could still hold open for writing).
    bool reusable(const struct stat& file) const {
        return S_ISREG(file.st_mode) && file.st_nlink == 1 && file.st_uid == info_.st_uid;
    }

    // The old backup, moved to ".new" by keepBackup(), when it may be reused; else nothing.
    UniqueFd openReused() const {
        UniqueFd out(::open(newFile_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat file {};
        if (!out.valid() || ::fstat(out.get(), &file) != 0 || !reusable(file)) return UniqueFd();
        return out;
    }

    bool writeNew(const std::string& content) {
        if (failed(Step::CreateNew)) return false;
        UniqueFd out = reused_ ? openReused() : UniqueFd();
        if (!out.valid()) {
            reused_ = false;
            ::unlink(newFile_.c_str());
            out = UniqueFd(::open(newFile_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!out.valid()) return false;
        }
        newCreated_ = true;
        return !failed(Step::WriteNew) && writeFromStart(out.get(), content) &&
               (!reused_ || ::ftruncate(out.get(), static_cast<off_t>(content.size())) == 0) &&
               !failed(Step::OwnerNew) && takeOwner(out.get()) &&
               !failed(Step::ModeNew) && ::fchmod(out.get(), info_.st_mode & 07777) == 0 &&
               copyAttributes(out.get()) &&
               !failed(Step::SyncNew) && ::fdatasync(out.get()) == 0 &&
               !failed(Step::CloseNew) && out.close();
    }

    // Makes ".jst" a second name of the file as it is, or a copy of it. The
    // old backup is not deleted but moved to ".new", to be overwritten with
    // the new content: on a large file, freeing its blocks and allocating
    // new ones would cost more than all the rest of the edit.
    bool keepBackup(const std::string& previous, bool asCopy) {
        if (failed(Step::RemoveOldBackup)) return false;
        struct stat old {};
        if (!asCopy && ::lstat(backup_.c_str(), &old) == 0 && reusable(old) &&
            ::rename(backup_.c_str(), newFile_.c_str()) == 0) {
            newCreated_ = true;
            reused_ = true;
        } else if (::unlink(backup_.c_str()) != 0 && errno != ENOENT) {
            return false;
        }
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
        UniqueFd out(::open(backup_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.valid()) return false;
        takeOwner(out.get());  // a backup owned by us is still a backup
        const bool ok = writeFromStart(out.get(), previous) && ::fchmod(out.get(), info_.st_mode & 07777) == 0 &&
                        ::fsync(out.get()) == 0 && out.close() && syncFolder(folder_);
        if (!ok) {
            const int error = errno;
            ::unlink(backup_.c_str());
            errno = error;
        }
        return ok;
    }

    bool rewriteInPlace(const std::string& previous, const std::string& content) {
        if (failed(Step::OpenInPlace)) return false;
        UniqueFd out(::open(file_.c_str(), O_WRONLY | O_CLOEXEC));
        if (!out.valid()) return false;
        // Overwriting first and truncating after never leaves the file empty;
        // the padding covers the rest of a longer old text until the truncation.
        const bool written = !failed(Step::WriteInPlace) &&
                             writeFromStart(out.get(), padded(content, previous.size())) &&
                             !failed(Step::TruncateInPlace) &&
                             ::ftruncate(out.get(), static_cast<off_t>(content.size())) == 0 &&
                             !failed(Step::SyncInPlace) && ::fsync(out.get()) == 0;
        if (written) return true;
        const int error = errno;
        // Put the previous content back; ".jst" holds it as well.
        struct stat now {};
        const std::size_t size = ::fstat(out.get(), &now) == 0 ? static_cast<std::size_t>(now.st_size) : content.size();
        if (writeFromStart(out.get(), padded(previous, std::max(size, content.size())))) {
            if (::ftruncate(out.get(), static_cast<off_t>(previous.size())) == 0) ::fsync(out.get());
        }
        errno = error;
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
    const std::chrono::milliseconds lockWait_;
    const int stopFd_;
    UniqueFd locked_;
    struct stat info_ {};
    bool newCreated_ = false;
    bool reused_ = false;  // ".new" is the old backup
    bool backupIsLink_ = false;
    std::string note_;
};

}  // namespace

PosixHostsFileStore::PosixHostsFileStore(FailAt failAt, std::chrono::milliseconds lockWait)
    : failAt_(std::move(failAt)), lockWait_(lockWait) {}

std::optional<std::string> PosixHostsFileStore::read(const std::filesystem::path& file) {
    try {
        UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        std::string content;
        if (!fd.valid() || !readAll(fd.get(), content)) return std::nullopt;
        return content;
    } catch (...) {
        return std::nullopt;
    }
}

EditOutcome PosixHostsFileStore::edit(const std::filesystem::path& file, const Transform& transform) {
    try {
        return Edit(file, failAt_, lockWait_, stopFd_).run(transform);
    } catch (const std::bad_alloc&) {
        return {ReplaceResult::Failed, "zu wenig Arbeitsspeicher"};
    } catch (...) {
        return {ReplaceResult::Failed, "unerwarteter Fehler"};
    }
}

}  // namespace tavik
