#pragma once
#include <chrono>
#include <functional>

#include "platform/HostsFileStore.h"

namespace tavik {

// The hosts file on a POSIX file system. An edit takes an advisory lock on
// the file (waiting for another program's lock only so long), reads it once,
// keeps it as "<file>.jst", writes "<file>.new" completely, gives it the
// file's owner, mode and extended attributes (ACLs, security labels), syncs
// it and renames it over the file, once a look at the file's identity, size
// and modification time shows that no program that ignores the lock changed
// it meanwhile. "<file>.new" is the previous backup, overwritten: on a large
// file that costs far less than deleting one file and allocating another.
// Where the file cannot be renamed over (a bind mount in a container, or a
// symbolic link) it is rewritten in place, once the backup is on disk; in a
// read-only folder (a bind-mounted file in a read-only container) without
// one, as none can be made there.
class PosixHostsFileStore : public HostsFileStore {
public:
    // The steps of a replacement, named so that a test can make one fail.
    enum class Step {
        OpenCurrent,
        Lock,
        ReadCurrent,
        CreateNew,
        WriteNew,
        OwnerNew,
        ModeNew,
        SyncNew,
        CloseNew,
        RemoveOldBackup,
        LinkBackup,  // failing here falls back to a copy
        CopyBackup,
        Rename,      // EBUSY or EXDEV here leads to the rewrite in place
        SyncFolder,  // after the swap; the new content stays
        OpenInPlace,
        WriteInPlace,
        TruncateInPlace,
        SyncInPlace,
        AttributesNew,  // a security attribute that cannot be set is skipped
        CheckCurrent,   // right before the swap, either way
    };
    // Asked before each step: 0 lets it run, any other value makes the step
    // fail with that errno value.
    using FailAt = std::function<int(Step)>;

    // How long an edit waits for a lock another program holds.
    static constexpr std::chrono::milliseconds kLockWait{3000};

    explicit PosixHostsFileStore(FailAt failAt = {}, std::chrono::milliseconds lockWait = kLockWait);

    // The wait for a lock ends early when `fd` becomes readable: the signal
    // pipe, so that a request to end the program is not held up by another
    // program's lock. It is only looked at, never read.
    void stopWaitingOn(int fd) { stopFd_ = fd; }

    std::optional<std::string> read(const std::filesystem::path& file) override;
    EditOutcome edit(const std::filesystem::path& file, const Transform& transform) override;

private:
    FailAt failAt_;
    std::chrono::milliseconds lockWait_;
    int stopFd_ = -1;
};

}  // namespace tavik
