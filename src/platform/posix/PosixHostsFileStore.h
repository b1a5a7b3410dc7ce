#pragma once
#include <functional>

#include "platform/HostsFileStore.h"

namespace tavik {

// The hosts file on a POSIX file system. A replacement writes "<file>.new"
// completely, syncs it, gives it the file's mode and owner, keeps the old
// file as "<file>.jst" and renames the new one over it, all under an
// advisory lock on the file. Where the file cannot be renamed over (a bind
// mount in a container, or a symbolic link) it is rewritten in place, once
// the backup is on disk.
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
    };
    // Asked before each step: 0 lets it run, any other value makes the step
    // fail with that errno value.
    using FailAt = std::function<int(Step)>;

    explicit PosixHostsFileStore(FailAt failAt = {});

    std::optional<std::string> read(const std::filesystem::path& file) override;
    ReplaceResult replace(const std::filesystem::path& file, const std::string& basedOn,
                          const std::string& newContent) override;

private:
    FailAt failAt_;
};

}  // namespace tavik
