#pragma once
#include "platform/RegistryBackend.h"

namespace tavik {

// The settings store in the Windows registry itself: HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE as the section table names them. Texts are UTF-8 inside
// the program and UTF-16 in the registry (REG_SZ and REG_EXPAND_SZ, stored
// with their closing zero); REG_DWORD and other types pass as their bytes.
// A 32-bit program lands under WOW6432Node on 64-bit Windows, as the
// original did.
class Win32Registry : public RegistryBackend {
public:
    std::optional<RegValue> readValue(RegRoot root, const std::string& key, const std::string& name) override;
    // Absent only when the key or the value does not exist (or the value is
    // too large to be a setting); a key the program may not read, or any
    // other failure of the registry, is Unreadable.
    RegLookup lookupValue(RegRoot root, const std::string& key, const std::string& name) override;
    bool writeValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) override;
};

}  // namespace tavik
