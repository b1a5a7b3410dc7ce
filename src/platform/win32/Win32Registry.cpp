#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "platform/win32/WideText.h"

namespace tavik {
namespace {

// Larger values are no settings of this program; they read as missing.
constexpr DWORD kMaxValueBytes = 64 * 1024;

HKEY rootKey(RegRoot root) { return root == RegRoot::HKCU ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// The registry takes no leading or trailing backslash in a key path.
std::wstring keyPath(const std::string& key) {
    const std::size_t first = key.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    const std::size_t last = key.find_last_not_of('\\');
    return toWide(key.substr(first, last - first + 1));
}

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

}  // namespace

std::optional<RegValue> Win32Registry::readValue(RegRoot root, const std::string& key, const std::string& name) {
    auto found = lookupValue(root, key, name);
    if (found.status != RegLookup::Status::Found) return std::nullopt;
    return std::move(found.value);
}

RegLookup Win32Registry::lookupValue(RegRoot root, const std::string& key, const std::string& name) {
    const RegLookup kUnreadable{RegLookup::Status::Unreadable, {}};
    // Only "not found" means absent; a denied access or a damaged hive is no
    // answer at all, and must not look like a profile never set up.
    const auto missing = [](LSTATUS status) {
        return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
    };
    try {
        Key opened;
        // Reading asks for reading only, so that a user without rights on
        // HKEY_LOCAL_MACHINE still reads the machine's settings.
        const LSTATUS open = RegOpenKeyExW(rootKey(root), keyPath(key).c_str(), 0, KEY_QUERY_VALUE, opened.out());
        if (open != ERROR_SUCCESS) return missing(open) ? RegLookup{} : kUnreadable;
        const std::wstring valueName = toWide(name);
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS query = RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (query != ERROR_SUCCESS) return missing(query) ? RegLookup{} : kUnreadable;
        std::vector<BYTE> data;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (size > kMaxValueBytes) return {};
            data.assign(size + sizeof(wchar_t), 0);  // room for a closing zero the writer left out
            query = RegQueryValueExW(opened.get(), valueName.c_str(), nullptr, &type, data.data(), &size);
            // Another program made the value larger in between: `size` now
            // tells the new size, and the next round reads with that.
            if (query != ERROR_MORE_DATA) break;
        }
        if (query != ERROR_SUCCESS) return missing(query) ? RegLookup{} : kUnreadable;
        RegValue value;
        value.type = static_cast<int>(type);
        if (isText(type)) {
            // The stored text ends at its first zero character, whether or
            // not the writer stored one.
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
            text.resize(std::wcslen(text.c_str()));
            value.data = fromWide(text);
        } else {
            value.data.assign(reinterpret_cast<const char*>(data.data()), size);
        }
        return {RegLookup::Status::Found, std::move(value)};
    } catch (...) {
        return kUnreadable;
    }
}

bool Win32Registry::writeValue(RegRoot root, const std::string& key, const std::string& name, const RegValue& value) {
    try {
        Key created;
        if (RegCreateKeyExW(rootKey(root), keyPath(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_SET_VALUE, nullptr, created.out(), nullptr) != ERROR_SUCCESS)
            return false;
        const std::wstring valueName = toWide(name);
        if (isText(static_cast<DWORD>(value.type))) {
            const std::wstring text = toWide(value.data);
            const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
            return RegSetValueExW(created.get(), valueName.c_str(), 0, static_cast<DWORD>(value.type),
                                  reinterpret_cast<const BYTE*>(text.c_str()), bytes) == ERROR_SUCCESS;
        }
        return RegSetValueExW(created.get(), valueName.c_str(), 0, static_cast<DWORD>(value.type),
                              reinterpret_cast<const BYTE*>(value.data.data()),
                              static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

}  // namespace tavik
