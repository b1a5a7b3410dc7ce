#include "settings/RwModul.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/MemoryRegistry.h"
#include "settings/CodeString.h"

namespace tavik {
namespace {

struct Place {
    RegRoot root;
    std::string key;
};

std::string user1Key() {
    FakeDialogs dialogs;
    std::string product = "Tavik6";
    return "Software\\Kovrin\\User\\" + CodeString(product, dialogs);
}

// One row of the section table: where a section reads from, what the
// caller's section variable holds afterwards, and where it writes to
// (nothing when writes are refused).
struct SectionRow {
    std::string section;
    Place read;
    std::string sectionAfterRead;
    std::optional<Place> write;
};

std::vector<SectionRow> sectionTable() {
    const std::string product = "Software\\Kovrin\\Tavik6\\";
    return {
        {"QUILLVANE-xyz", {RegRoot::HKCU, "\\Software\\Varnholme\\GlobalSettingxyz"}, "xyz",
         Place{RegRoot::HKLM, product + "QUILLVANE-xyz"}},
        {"QUILLVANE-", {RegRoot::HKCU, "\\Software\\Varnholme\\GlobalSetting"}, "",
         Place{RegRoot::HKLM, product + "QUILLVANE-"}},
        {"EXTERNabc", {RegRoot::HKLM, "Software\\Kovrin\\abc"}, "abc", std::nullopt},
        {"EXTERN", {RegRoot::HKLM, "Software\\Kovrin"}, "", std::nullopt},
        {"EXTERNGLOBAL", {RegRoot::HKLM, "Software\\Kovrin\\GLOBAL"}, "GLOBAL", std::nullopt},
        {"GLOBAL", {RegRoot::HKLM, "Software\\Kovrin\\Global"}, "GLOBAL",
         Place{RegRoot::HKLM, "Software\\Kovrin\\Global"}},
        {"WINGLOBAL", {RegRoot::HKLM, "Software\\Microsoft\\Windows\\CurrentVersion"}, "WINGLOBAL",
         Place{RegRoot::HKLM, "Software\\Microsoft\\Windows\\CurrentVersion"}},
        {"[DB-Vorgabe]", {RegRoot::HKLM, product + "System\\[DB-Vorgabe]"}, "[DB-Vorgabe]",
         Place{RegRoot::HKLM, product + "System\\[DB-Vorgabe]"}},
        {"USER1", {RegRoot::HKLM, user1Key()}, "USER1", Place{RegRoot::HKLM, user1Key()}},
        {"Benutzerdaten", {RegRoot::HKLM, "Software\\Kovrin\\Benutzerdaten"}, "Benutzerdaten",
         Place{RegRoot::HKLM, "Software\\Kovrin\\Benutzerdaten"}},
        {"AppToService", {RegRoot::HKLM, "Software\\Basta\\AppToService\\CurrentVersion"},
         "AppToService", Place{RegRoot::HKLM, product + "AppToService"}},
        {"Internet Explorer", {RegRoot::HKCU, "Software\\Microsoft\\Internet Explorer"},
         "Internet Explorer", Place{RegRoot::HKCU, "Software\\Microsoft\\Internet Explorer"}},
        {"[]", {RegRoot::HKLM, product + "[]"}, "[]", std::nullopt},
        {"Tavik6", {RegRoot::HKLM, product + "Tavik6"}, "Tavik6",
         Place{RegRoot::HKLM, product + "Tavik6"}},
        {"Tavik6\\VPN\\k123", {RegRoot::HKLM, product + "Tavik6\\VPN\\k123"}, "Tavik6\\VPN\\k123",
         Place{RegRoot::HKLM, product + "Tavik6\\VPN\\k123"}},
        {"Software", {RegRoot::HKLM, product + "Software"}, "Software",
         Place{RegRoot::HKLM, product + "Software"}},
        {"", {RegRoot::HKLM, "Software\\Kovrin\\Tavik6"}, "",
         Place{RegRoot::HKLM, "Software\\Kovrin\\Tavik6"}},
        // Section names are matched case-sensitively: these all fall to the last row.
        {"global", {RegRoot::HKLM, product + "global"}, "global",
         Place{RegRoot::HKLM, product + "global"}},
        {"user1", {RegRoot::HKLM, product + "user1"}, "user1", Place{RegRoot::HKLM, product + "user1"}},
        {"Externabc", {RegRoot::HKLM, product + "Externabc"}, "Externabc",
         Place{RegRoot::HKLM, product + "Externabc"}},
        {"quillvane-xyz", {RegRoot::HKLM, product + "quillvane-xyz"}, "quillvane-xyz",
         Place{RegRoot::HKLM, product + "quillvane-xyz"}},
        {"appToService", {RegRoot::HKLM, product + "appToService"}, "appToService",
         Place{RegRoot::HKLM, product + "appToService"}},
        {"[ ]", {RegRoot::HKLM, product + "[ ]"}, "[ ]", Place{RegRoot::HKLM, product + "[ ]"}},
    };
}

class RwModulTest : public ::testing::Test {
protected:
    void store(RegRoot root, const std::string& key, const std::string& name, std::string data,
               int type = kRegSz) {
        ASSERT_TRUE(registry.writeValue(root, key, name, RegValue{type, std::move(data)}));
    }
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
};

TEST_F(RwModulTest, ReadSideOfEverySection) {
    for (const auto& row : sectionTable()) {
        SCOPED_TRACE("section \"" + row.section + "\"");
        registry = MemoryRegistry();
        store(row.read.root, row.read.key, "Wert", "found");

        std::string section = row.section;
        std::string name = "Wert";
        EXPECT_EQ(rw.RegRead(section, name), "found");
        EXPECT_EQ(name, "found");
        EXPECT_EQ(section, row.sectionAfterRead);
        ASSERT_EQ(registry.reads.size(), 1u);
        EXPECT_EQ(registry.reads[0].root, row.read.root);
        EXPECT_EQ(registry.reads[0].key, row.read.key);  // exact spelling
        EXPECT_EQ(registry.reads[0].name, "Wert");
    }
}

TEST_F(RwModulTest, WriteSideOfEverySection) {
    for (const auto& row : sectionTable()) {
        SCOPED_TRACE("section \"" + row.section + "\"");
        registry = MemoryRegistry();

        std::string section = row.section;
        std::string name = "Wert";
        std::string value = "v1";
        rw.RegWrite(section, name, value);
        EXPECT_EQ(section, row.section);  // writing never shortens the section
        EXPECT_EQ(value, "v1");
        const auto entries = registry.entries();
        if (!row.write) {
            EXPECT_EQ(registry.writeCalls, 0);
            EXPECT_EQ(name, "Wert");  // the refused call leaves its arguments alone
            continue;
        }
        EXPECT_EQ(name, "True");
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].root, row.write->root);
        EXPECT_EQ(entries[0].key, row.write->key);
        EXPECT_EQ(entries[0].name, "Wert");
        EXPECT_EQ(entries[0].value.type, kRegSz);
        EXPECT_EQ(entries[0].value.data, "v1");
    }
}

TEST_F(RwModulTest, EmptyTextIsStoredAsOneBlankAndReadBackEmpty) {
    std::string section = "Tavik6";
    std::string name = "User";
    std::string value;
    rw.RegWrite(section, name, value);
    EXPECT_EQ(value, " ");
    EXPECT_EQ(name, "True");
    ASSERT_EQ(registry.entries().size(), 1u);
    EXPECT_EQ(registry.entries()[0].value.data, " ");

    name = "User";
    EXPECT_EQ(rw.RegRead(section, name), "");
    EXPECT_EQ(name, "");
}

TEST_F(RwModulTest, BlankRuleOnReading) {
    struct Row {
        std::string section;
        std::string stored;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"Tavik6", " ", ""},
        {"GLOBAL", " ", ""},
        {"EXTERNabc", " ", ""},
        {"[DB-Vorgabe]", " ", " "},  // the defaults section keeps its blank
        {"Tavik6", "  ", "  "},
        {"Tavik6", " x", " x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.section + " [" + row.stored + "]");
        registry = MemoryRegistry();
        std::string section = row.section;
        std::string name = "Wert";
        std::string value = row.stored;
        if (row.section.rfind("EXTERN", 0) == 0)
            store(RegRoot::HKLM, "Software\\Kovrin\\abc", "Wert", row.stored);
        else
            rw.RegWrite(section, name, value);
        name = "Wert";
        EXPECT_EQ(rw.RegRead(section, name), row.expected);
        EXPECT_EQ(name, row.expected);
    }
}

TEST_F(RwModulTest, MissingValueEmptiesTheValueNameVariable) {
    std::string section = "Tavik6";
    std::string name = "Passwort";
    EXPECT_EQ(rw.RegRead(section, name), "");
    EXPECT_EQ(name, "");
    EXPECT_EQ(rw.read("EXTERNnowhere", "x"), "");
}

TEST_F(RwModulTest, FailedWriteLeavesFalseAndNoTrace) {
    registry.failWrites = true;
    std::string section = "Tavik6";
    std::string name = "User";
    std::string value = "k1";
    rw.RegWrite(section, name, value);
    EXPECT_EQ(name, "False");
    EXPECT_TRUE(registry.entries().empty());
    EXPECT_TRUE(dialogs.boxes.empty());
    std::string again = "x";
    EXPECT_FALSE(rw.RegWriteString(RegRoot::HKLM, "A", "n", again));
}

TEST_F(RwModulTest, ValuesOverTheSizeLimitReadEmpty) {
    const std::string key = "Software\\Kovrin\\Tavik6\\Tavik6";
    store(RegRoot::HKLM, key, "Fits", std::string(1024, 'x'));
    store(RegRoot::HKLM, key, "TooLong", std::string(1025, 'x'));
    EXPECT_EQ(rw.read("Tavik6", "Fits"), std::string(1024, 'x'));
    EXPECT_EQ(rw.read("Tavik6", "TooLong"), "");
    // The limit counts the stored bytes, not the characters: 513 umlauts are 1026 bytes.
    std::string umlauts;
    for (int i = 0; i < 513; ++i) umlauts += "\xC3\xA4";
    store(RegRoot::HKLM, key, "Umlauts", umlauts);
    EXPECT_EQ(rw.read("Tavik6", "Umlauts"), "");
}

TEST_F(RwModulTest, RendersValuesByType) {
    struct Row {
        const char* label;
        int type;
        std::string data;
        std::string expected;
    };
    using namespace std::string_literals;
    const std::vector<Row> rows = {
        {"text cut at NUL", kRegSz, "abc\0def"s, "abc"},
        {"text starting with NUL", kRegSz, "\0abc"s, ""},
        {"expand text stays unexpanded", kRegExpandSz, "%HOME%\\x", "%HOME%\\x"},
        {"dword small", kRegDword, "\x2A\0\0\0"s, "&h2A"},
        {"dword little endian", kRegDword, "\x78\x56\x34\x12"s, "&h12345678"},
        {"dword inner zero byte", kRegDword, "\0\x01\0\0"s, "&h100"},
        {"dword zero", kRegDword, "\0\0\0\0"s, "&h0"},
        {"dword all bits", kRegDword, "\xFF\xFF\xFF\xFF"s, "&hFFFFFFFF"},
        {"binary", 3, "abc", ""},
        {"multi text", 7, "a\0b\0"s, ""},
    };
    const std::string key = "Software\\Kovrin\\Tavik6\\Tavik6";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        store(RegRoot::HKLM, key, "Wert", row.data, row.type);
        EXPECT_EQ(rw.read("Tavik6", "Wert"), row.expected);
    }
}

TEST_F(RwModulTest, TrailingBackslashesNeverReachTheStore) {
    std::string value = "v";
    EXPECT_TRUE(rw.RegWriteString(RegRoot::HKCU, "A\\B\\\\", "n", value));
    rw.write("Tavik6\\", "m", "w");
    const auto entries = registry.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].key, "A\\B");
    EXPECT_EQ(entries[1].key, "Software\\Kovrin\\Tavik6\\Tavik6");
    // Read through the other spelling of the same key.
    EXPECT_EQ(rw.read("Tavik6", "m"), "w");
    EXPECT_EQ(rw.RegReadString(RegRoot::HKCU, "A\\B\\", "n"), "v");
}

TEST_F(RwModulTest, User1KeyIsTheScrambledProductName) {
    rw.write("USER1", "Lizenz", "1");
    ASSERT_EQ(registry.entries().size(), 1u);
    const std::string key = registry.entries()[0].key;
    const std::string prefix = "Software\\Kovrin\\User\\";
    ASSERT_EQ(key.rfind(prefix, 0), 0u);
    // "Tavik6" padded to ten bytes: header, ten body bytes, "a", marker.
    EXPECT_EQ(key.size(), prefix.size() + 17);
    EXPECT_EQ(key.substr(key.size() - 6), "a(COD)");
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace tavik
