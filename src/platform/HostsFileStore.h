#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tavik {

enum class ReplaceResult {
    Replaced,  // the file now holds the new content; the old one is in ".jst"
    Changed,   // another program changed the file during the edit; nothing done
    Failed     // a step failed; the file is as it was and no ".new" is left
};

// How an edit went.
struct EditOutcome {
    ReplaceResult result = ReplaceResult::Failed;
    // For the log, in German: why the edit failed, or what it could not keep
    // although it went through; empty when there is nothing to say.
    std::string note;
};

// Reading and safely replacing the hosts file.
class HostsFileStore {
public:
    // The new content of the file, made from its current content.
    using Transform = std::function<std::string(const std::string& current)>;

    virtual ~HostsFileStore() = default;
    // The whole file, or nothing when it cannot be read.
    virtual std::optional<std::string> read(const std::filesystem::path& file) = 0;
    // Locks `file` (waiting a few seconds at most for another program's
    // lock), reads it once and replaces it by what `transform` makes of that
    // content, through `file.new`, keeping the previous content as
    // `file.jst`. Changed when another program that ignores the lock
    // changed the file meanwhile.
    virtual EditOutcome edit(const std::filesystem::path& file, const Transform& transform) = 0;
};

}  // namespace tavik
