#pragma once
#include <optional>
#include <string>
#include <utility>

namespace tavik {

// The two registry roots the settings store knows.
enum class RegRoot { HKCU, HKLM };

// Value types as the registry numbers them.
constexpr int kRegSz = 1;
constexpr int kRegExpandSz = 2;
constexpr int kRegDword = 4;

struct RegValue {
    int type = kRegSz;
    std::string data;  // the value's bytes, without a terminating NUL
};

// What one read found. A store that another program keeps locked beyond the
// wait, or that cannot be opened, is not a store without the value: callers
// that must not mistake the one for the other look at the status.
struct RegLookup {
    enum class Status { Found, Absent, Unreadable };
    Status status = Status::Absent;
    RegValue value;  // only with Found
};

// Storage behind the settings module: (root, key path, value name) -> typed bytes.
// Key paths and value names match case-insensitively, as in the registry.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // Empty when the key or the value is missing or cannot be read.
    virtual std::optional<RegValue> readValue(RegRoot root, const std::string& key,
                                              const std::string& name) = 0;
    // The same read, telling an absent value from a store that could not be
    // read. A backend that cannot tell the two apart reports every miss as absent.
    virtual RegLookup lookupValue(RegRoot root, const std::string& key, const std::string& name) {
        auto value = readValue(root, key, name);
        if (!value) return {};
        return {RegLookup::Status::Found, std::move(*value)};
    }
    // Creates the key when needed; false when nothing was stored.
    virtual bool writeValue(RegRoot root, const std::string& key, const std::string& name,
                            const RegValue& value) = 0;
};

}  // namespace tavik
