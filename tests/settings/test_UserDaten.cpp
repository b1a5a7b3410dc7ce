#include "settings/UserDaten.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/MemoryRegistry.h"
#include "settings/ValueNames.h"

namespace tavik {
namespace {

const std::string kProductKey = "Software\\Kovrin\\Tavik6\\";

class UserDatenTest : public ::testing::Test {
protected:
    void store(RegRoot root, const std::string& key, const std::string& name, const std::string& data) {
        ASSERT_TRUE(registry.writeValue(root, key, name, RegValue{kRegSz, data}));
    }
    void storeInProfile(const std::string& profil, const std::string& name, const std::string& data) {
        store(RegRoot::HKLM, kProductKey + profil, name, data);
    }
    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};
    TavikGlobal g;
};

TEST_F(UserDatenTest, NothingStoredLeavesEmptyValuesAndUpdatesOff) {
    g.Profil = "Tavik6";
    g.User = "old";
    g.Passwort = "old";
    g.Proxyserver = "1";
    g.AutoUpdate = "1";
    ReadUserDaten(rw, g);
    EXPECT_EQ(g.User, "");
    EXPECT_EQ(g.Passwort, "");
    EXPECT_EQ(g.Proxyserver, "");  // absent: empty, not the "0" set first
    EXPECT_EQ(g.AutoUpdate, "0");
    EXPECT_EQ(g.Profil, "Tavik6");
}

TEST_F(UserDatenTest, LoadsStoredValuesAsTheyAre) {
    g.Profil = "Buero";
    storeInProfile("Buero", "User", "K123");  // written by another tool in mixed case
    storeInProfile("Buero", "Passwort", "geheim");
    storeInProfile("Buero", "Proxyserver", "0");
    storeInProfile("Buero", "AutoUpdate", "1");
    storeInProfile("Tavik6", "User", "not this profile");
    ReadUserDaten(rw, g);
    EXPECT_EQ(g.User, "K123");
    EXPECT_EQ(g.Passwort, "geheim");
    EXPECT_EQ(g.Proxyserver, "0");
    EXPECT_EQ(g.AutoUpdate, "1");
}

TEST_F(UserDatenTest, AutoUpdateIsOnOnlyForExactlyOne) {
    struct Row {
        std::string stored;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"1", "1"}, {"1 ", "0"}, {" 1", "0"}, {"true", "0"}, {"0", "0"}, {"", "0"}, {"01", "0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("[" + row.stored + "]");
        g.Profil = "Tavik6";
        rw.write("Tavik6", valueName::AutoUpdate, row.stored);
        ReadUserDaten(rw, g);
        EXPECT_EQ(g.AutoUpdate, row.expected);
    }
}

TEST_F(UserDatenTest, ExternProfileIsShortenedByTheFirstRead) {
    g.Profil = "EXTERNAcme";
    // The first read still sees the prefix: the maker's key "Acme".
    store(RegRoot::HKLM, "Software\\Kovrin\\Acme", "User", "ext-user");
    storeInProfile("Acme", "User", "wrong-user");
    // Later reads use the shortened name under the product key.
    storeInProfile("Acme", "Passwort", "pw");
    storeInProfile("Acme", "Proxyserver", "1");
    storeInProfile("Acme", "AutoUpdate", "1");
    storeInProfile("EXTERNAcme", "Passwort", "wrong-pw");
    ReadUserDaten(rw, g);
    EXPECT_EQ(g.Profil, "Acme");
    EXPECT_EQ(g.User, "ext-user");
    EXPECT_EQ(g.Passwort, "pw");
    EXPECT_EQ(g.Proxyserver, "1");
    EXPECT_EQ(g.AutoUpdate, "1");
}

TEST_F(UserDatenTest, QuillvaneProfileIsShortenedByTheFirstRead) {
    g.Profil = "QUILLVANE-Home";
    store(RegRoot::HKCU, "\\Software\\Varnholme\\GlobalSettingHome", "User", "q-user");
    storeInProfile("Home", "Passwort", "pw");
    ReadUserDaten(rw, g);
    EXPECT_EQ(g.Profil, "Home");
    EXPECT_EQ(g.User, "q-user");
    EXPECT_EQ(g.Passwort, "pw");
}

TEST_F(UserDatenTest, CustomerSectionLowerCasesTheCustomerNumber) {
    EXPECT_EQ(customerSection("Tavik6", "K123Ä"), "Tavik6\\VPN\\k123ä");
    EXPECT_EQ(customerSection("Büro", ""), "Büro\\VPN\\");
}

}  // namespace
}  // namespace tavik
