#pragma once
#include <optional>
#include <string>

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

// Storage behind the settings module: (root, key path, value name) -> typed bytes.
// Key paths and value names match case-insensitively, as in the registry.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;
    // Empty when the key or the value is missing or cannot be read.
    virtual std::optional<RegValue> readValue(RegRoot root, const std::string& key,
                                              const std::string& name) = 0;
    // Creates the key when needed; false when nothing was stored.
    virtual bool writeValue(RegRoot root, const std::string& key, const std::string& name,
                            const RegValue& value) = 0;
};

}  // namespace tavik
