#pragma once
#include <filesystem>
#include <optional>
#include <string>

namespace tavik {

enum class ReplaceResult {
    Replaced,  // the file now holds the new content; the old one is in ".jst"
    Changed,   // the file no longer holds what the edit was based on; nothing done
    Failed     // a step failed; the file is as it was and no ".new" is left
};

// Reading and safely replacing the hosts file.
class HostsFileStore {
public:
    virtual ~HostsFileStore() = default;
    // The whole file, or nothing when it cannot be read.
    virtual std::optional<std::string> read(const std::filesystem::path& file) = 0;
    // Replaces `file` by `newContent` through `file.new`, keeping the previous
    // content as `file.jst`, under an advisory lock; refuses with Changed when
    // the file's content is not `basedOn` any more.
    virtual ReplaceResult replace(const std::filesystem::path& file, const std::string& basedOn,
                                  const std::string& newContent) = 0;
};

}  // namespace tavik
