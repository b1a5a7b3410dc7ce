#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <random>

#include "platform/win32/Win32Registry.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

// Each test works below a key of its own under HKEY_CURRENT_USER of the
// tests' Wine prefix and removes it afterwards.
class Win32RegistryTest : public testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, toWide(base).c_str()); }

    // The raw type and bytes as another program would see them.
    std::pair<DWORD, std::string> raw(const std::string& key, const std::string& name) const {
        BYTE data[256] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, toWide(key).c_str(), toWide(name).c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                         &type, data, &size) != ERROR_SUCCESS)
            return {0, {}};
        return {type, std::string(reinterpret_cast<const char*>(data), size)};
    }

    const std::string base = "Software\\TavikTest" + std::to_string(std::random_device{}());
    Win32Registry registry;
};

TEST_F(Win32RegistryTest, ValuesRoundTripByTypeAndKeepTheirText) {
    const std::string key = base + "\\Kovrin\\Tavik6\\Büro 2\\VPN\\k1";
    struct Row {
        std::string name;
        RegValue value;
    };
    const Row rows[] = {
        {"User", {kRegSz, "k1"}},
        {"Passwort", {kRegSz, "Grüße & € \xF0\x9F\x98\x80"}},
        {"Leer", {kRegSz, ""}},
        {"Blank", {kRegSz, " "}},
        {"Pfad", {kRegExpandSz, "%SystemRoot%\\system32"}},
        {"Zahl", {kRegDword, std::string("\x2a\x00\x00\x80", 4)}},
    };
    for (const Row& row : rows) EXPECT_TRUE(registry.writeValue(RegRoot::HKCU, key, row.name, row.value)) << row.name;
    for (const Row& row : rows) {
        const auto read = registry.readValue(RegRoot::HKCU, key, row.name);
        ASSERT_TRUE(read) << row.name;
        EXPECT_EQ(read->type, row.value.type) << row.name;
        EXPECT_EQ(read->data, row.value.data) << row.name;
    }
    // Names and key paths match in any letter case; a leading or trailing
    // backslash of a section's key path is no part of the key.
    const auto other = registry.readValue(RegRoot::HKCU, "\\" + key + "\\", "USER");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->data, "k1");
    // Other programs see UTF-16 with its closing zero.
    EXPECT_EQ(raw(key, "User"), std::make_pair(DWORD{REG_SZ}, std::string("k\0001\000\000\000", 6)));
}

TEST_F(Win32RegistryTest, MissingOrForeignValuesReadAsTheyShould) {
    EXPECT_FALSE(registry.readValue(RegRoot::HKCU, base + "\\nothing", "User"));
    ASSERT_TRUE(registry.writeValue(RegRoot::HKCU, base, "User", {kRegSz, "k1"}));
    EXPECT_FALSE(registry.readValue(RegRoot::HKCU, base, "Passwort"));

    // A text written without its closing zero, or with one in the middle,
    // ends at its first zero character.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, toWide(base).c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const wchar_t unterminated[] = {L'a', L'b'};
    const wchar_t embedded[] = {L'a', L'\0', L'b', L'\0'};
    RegSetValueExW(key, L"Ohne", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated), sizeof unterminated);
    RegSetValueExW(key, L"Mitte", 0, REG_SZ, reinterpret_cast<const BYTE*>(embedded), sizeof embedded);
    RegCloseKey(key);
    EXPECT_EQ(registry.readValue(RegRoot::HKCU, base, "Ohne")->data, "ab");
    EXPECT_EQ(registry.readValue(RegRoot::HKCU, base, "Mitte")->data, "a");
}

// A key the program may not read is no key without values: the settings
// store tells the two apart, so that a locked profile does not start the
// first-start wizard over its settings.
TEST_F(Win32RegistryTest, ADeniedKeyReadsAsUnreadableNotAsAbsent) {
    const std::string locked = base + "\\Gesperrt";
    ASSERT_TRUE(registry.writeValue(RegRoot::HKCU, locked, "Install", {kRegSz, "01.12.2026"}));
    ASSERT_TRUE(registry.writeValue(RegRoot::HKCU, base, "User", {kRegSz, "k1"}));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, toWide(locked).c_str(), 0, WRITE_DAC, &key), ERROR_SUCCESS);
    // Set a key's access list from its text form.
    auto setAccess = [key](const wchar_t* text) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text, SDDL_REVISION_1, &descriptor, nullptr))
            return false;
        const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
        LocalFree(descriptor);
        return set;
    };
    ASSERT_TRUE(setAccess(L"D:(D;;KR;;;WD)(A;;KA;;;WD)"));  // reading denied to everyone

    struct Row {
        std::string key;
        const char* name;
        RegLookup::Status status;
    };
    const Row rows[] = {
        {locked, "Install", RegLookup::Status::Unreadable},
        {locked, "Nichts", RegLookup::Status::Unreadable},
        {base, "User", RegLookup::Status::Found},
        {base, "Nichts", RegLookup::Status::Absent},
        {base + "\\Fehlt", "Install", RegLookup::Status::Absent},
    };
    for (const Row& row : rows)
        EXPECT_EQ(registry.lookupValue(RegRoot::HKCU, row.key, row.name).status, row.status)
            << row.key << " " << row.name;

    EXPECT_TRUE(setAccess(L"D:(A;;KA;;;WD)"));  // so that the key can be removed again
    RegCloseKey(key);
    EXPECT_EQ(registry.lookupValue(RegRoot::HKCU, locked, "Install").status, RegLookup::Status::Found);
}

}  // namespace
}  // namespace tavik
