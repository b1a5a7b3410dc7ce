#include "settings/RwModul.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "settings/CodeString.h"
#include "text/TextCase.h"

namespace tavik {

namespace {

// Section names and prefixes are compared exactly, case-sensitively.
constexpr std::string_view kQuillvanePrefix = "QUILLVANE-";
constexpr std::string_view kExternPrefix = "EXTERN";
constexpr std::string_view kDbVorgabe = "[DB-Vorgabe]";
constexpr std::string_view kNoWriteSection = "[]";

constexpr std::string_view kProductKey = "Software\\Kovrin\\Tavik6\\";
constexpr std::string_view kMakerKey = "Software\\Kovrin\\";
constexpr std::string_view kQuillvaneKey = "\\Software\\Varnholme\\GlobalSetting";

// Values longer than this read as empty, as the fixed read buffer allowed.
constexpr std::size_t kMaxValueBytes = 1024;
const std::string kBlank = " ";

struct KeyPath {
    RegRoot root;
    std::string key;
};

// Rows both sides share. AppToService is read-only (the service tool's own
// key) and is handled by the read side alone.
std::optional<KeyPath> sharedRow(const std::string& section, Dialogs& dialogs) {
    if (section == "GLOBAL") return KeyPath{RegRoot::HKLM, "Software\\Kovrin\\Global"};
    if (section == "WINGLOBAL")
        return KeyPath{RegRoot::HKLM, "Software\\Microsoft\\Windows\\CurrentVersion"};
    if (section == kDbVorgabe)
        return KeyPath{RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\System\\[DB-Vorgabe]"};
    if (section == "USER1") {
        std::string product = "Tavik6";
        return KeyPath{RegRoot::HKLM, "Software\\Kovrin\\User\\" + CodeString(product, dialogs)};
    }
    if (section == "Benutzerdaten")
        return KeyPath{RegRoot::HKLM, "Software\\Kovrin\\Benutzerdaten\\"};
    if (section == "Internet Explorer")
        return KeyPath{RegRoot::HKCU, "Software\\Microsoft\\Internet Explorer\\"};
    return std::nullopt;
}

KeyPath productRow(const std::string& section) {
    return {RegRoot::HKLM, std::string(kProductKey) + section};
}

// The store keeps key paths without trailing backslashes, so "A\B\" and
// "A\B" name one key. A leading backslash stays: that key text is kept as
// built and is a key of its own in the store.
std::string storeKey(const std::string& key) {
    const auto end = key.find_last_not_of('\\');
    return end == std::string::npos ? std::string() : key.substr(0, end + 1);
}

// A DWORD as the 32-bit little-endian number it holds, in upper-case hex
// digits without leading zeros behind "&h" (bytes 2A 00 00 00 -> "&h2A").
// Missing bytes count as zero; bytes past the fourth are ignored.
std::string dwordText(const std::string& data) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < data.size() && i < 4; ++i)
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    char digits[8];
    const auto result = std::to_chars(digits, digits + sizeof digits, number, 16);
    return "&h" + toUpperAscii(std::string_view(digits, result.ptr - digits));
}

}  // namespace

RwModul::RwModul(RegistryBackend& backend, Dialogs& dialogs) : backend_(backend), dialogs_(dialogs) {}

std::string RwModul::RegRead(std::string& section, std::string& valueName) {
    KeyPath path;
    if (section.starts_with(kQuillvanePrefix)) {
        section.erase(0, kQuillvanePrefix.size());
        path = {RegRoot::HKCU, std::string(kQuillvaneKey) + section};
    } else if (section.starts_with(kExternPrefix)) {
        section.erase(0, kExternPrefix.size());
        path = {RegRoot::HKLM, std::string(kMakerKey) + section};
    } else if (section == "AppToService") {
        path = {RegRoot::HKLM, "Software\\Basta\\AppToService\\CurrentVersion\\"};
    } else {
        path = sharedRow(section, dialogs_).value_or(productRow(section));
    }
    valueName = RegReadString(path.root, path.key, valueName);
    // Empty texts are stored as one blank; the defaults section keeps it.
    if (section != kDbVorgabe && valueName == kBlank) valueName.clear();
    return valueName;
}

void RwModul::RegWrite(std::string& section, std::string& valueName, std::string& value) {
    if (section == kNoWriteSection || section.starts_with(kExternPrefix)) return;
    const KeyPath path = sharedRow(section, dialogs_).value_or(productRow(section));
    valueName = RegWriteString(path.root, path.key, valueName, value) ? "True" : "False";
}

std::string RwModul::read(std::string section, std::string valueName) {
    return RegRead(section, valueName);
}

void RwModul::write(std::string section, std::string valueName, std::string value) {
    RegWrite(section, valueName, value);
}

std::string RwModul::RegReadString(RegRoot root, const std::string& key,
                                   const std::string& valueName) {
    try {
        const auto found = backend_.lookupValue(root, storeKey(key), valueName);
        if (found.status == RegLookup::Status::Unreadable) ++unreadableReads_;
        const auto* value = found.status == RegLookup::Status::Found ? &found.value : nullptr;
        if (!value || value->data.size() > kMaxValueBytes) return {};
        switch (value->type) {
        case kRegSz:
        case kRegExpandSz:  // left unexpanded
            return value->data.substr(0, value->data.find('\0'));
        case kRegDword:
            return dwordText(value->data);
        default:
            return {};
        }
    } catch (...) {
        // Whatever goes wrong reads as an absent value, and counts as a
        // store that could not be read.
        ++unreadableReads_;
        return {};
    }
}

bool RwModul::RegWriteString(RegRoot root, const std::string& key, const std::string& valueName,
                             std::string& value) {
    if (value.empty()) value = kBlank;
    // Texts are UTF-8 throughout and stored as their bytes; there is no
    // narrower code page to convert to.
    try {
        return backend_.writeValue(root, storeKey(key), valueName, RegValue{kRegSz, value});
    } catch (...) {
        return false;
    }
}

}  // namespace tavik
