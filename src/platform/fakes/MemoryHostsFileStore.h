#pragma once
#include <map>
#include <string>

#include "platform/HostsFileStore.h"

namespace tavik {

// Hosts files held in memory, keyed by path; for tests of the logic above.
class MemoryHostsFileStore : public HostsFileStore {
public:
    std::map<std::filesystem::path, std::string> files;
    int replacements = 0;

    std::optional<std::string> read(const std::filesystem::path& file) override {
        auto it = files.find(file);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    ReplaceResult replace(const std::filesystem::path& file, const std::string& basedOn,
                          const std::string& newContent) override {
        auto it = files.find(file);
        if (it == files.end()) return ReplaceResult::Failed;
        if (it->second != basedOn) return ReplaceResult::Changed;
        files[file.string() + ".jst"] = it->second;
        it->second = newContent;
        ++replacements;
        return ReplaceResult::Replaced;
    }
};

}  // namespace tavik
