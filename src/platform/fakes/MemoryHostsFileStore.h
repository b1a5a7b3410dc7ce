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
    // When not empty, every edit fails with this note, as a locked file would.
    std::string failWith;

    std::optional<std::string> read(const std::filesystem::path& file) override {
        auto it = files.find(file);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    EditOutcome edit(const std::filesystem::path& file, const Transform& transform) override {
        auto it = files.find(file);
        if (it == files.end()) return {ReplaceResult::Failed, "sie fehlt"};
        if (!failWith.empty()) return {ReplaceResult::Failed, failWith};
        std::string updated = transform(it->second);
        files[file.string() + ".jst"] = it->second;
        it->second = std::move(updated);
        ++replacements;
        return {ReplaceResult::Replaced, {}};
    }
};

}  // namespace tavik
