#include <gtest/gtest.h>
#include <windows.h>

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

}  // namespace
}  // namespace tavik
