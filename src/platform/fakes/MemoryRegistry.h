#pragma once
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/RegistryBackend.h"

namespace tavik {

// In-memory settings store for tests. Key paths and value names match
// case-insensitively (ASCII letters, as the SQLite store does); the spelling
// of the first write is kept, as the registry keeps it.
class MemoryRegistry : public RegistryBackend {
public:
    struct Entry {
        RegRoot root;
        std::string key;
        std::string name;
        RegValue value;
    };

    std::optional<RegValue> readValue(RegRoot root, const std::string& key,
                                      const std::string& name) override;
    RegLookup lookupValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool writeValue(RegRoot root, const std::string& key, const std::string& name,
                    const RegValue& value) override;

    // Every stored value, ordered by root, key and name (folded).
    std::vector<Entry> entries() const;

    // When set, every write fails and stores nothing (a store without rights).
    bool failWrites = false;
    // When set, every read finds the store unreadable (locked by another
    // program) and every write fails.
    bool unreadable = false;
    // Number of write attempts, failed ones included.
    int writeCalls = 0;
    // Every read, as asked for (exact spelling), oldest first.
    struct Access {
        RegRoot root;
        std::string key;
        std::string name;
    };
    std::vector<Access> reads;

private:
    using Slot = std::tuple<RegRoot, std::string, std::string>;
    static Slot slotOf(RegRoot root, const std::string& key, const std::string& name);
    std::map<Slot, Entry> values_;
};

}  // namespace tavik
