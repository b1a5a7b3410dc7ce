#include "hosts/HostsFile.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryHostsFileStore.h"

namespace tavik {
namespace {

const std::string kHosts = "/etc/hosts";
const std::string kOriginal = "127.0.0.1 localhost\n";

// A store in which another program edits the file right before the first
// `changesBeforeReplace` replacements.
class BusyStore : public MemoryHostsFileStore {
public:
    int changesBeforeReplace = 1;
    int replaceCalls = 0;

    ReplaceResult replace(const std::filesystem::path& file, const std::string& basedOn,
                          const std::string& newContent) override {
        if (replaceCalls++ < changesBeforeReplace) files[file] += "10.0.0.7 other" + std::to_string(replaceCalls) + "\n";
        return MemoryHostsFileStore::replace(file, basedOn, newContent);
    }
};

class HostsFileTest : public testing::Test {
protected:
    HostsFileTest() { store.files[kHosts] = kOriginal; }
    BusyStore store;
    FakeClock clock;
    HostsFile hosts{store, clock};
};

TEST_F(HostsFileTest, SetHostGivesThePathOnlyWhenReadable) {
    EXPECT_EQ(hosts.SetHost(kHosts), kHosts);
    EXPECT_EQ(hosts.SetHost("/etc/nothing"), "");
}

TEST_F(HostsFileTest, ShortPathOrNameOrUnsoundInputLeavesEverythingUntouched) {
    store.changesBeforeReplace = 0;
    store.files["/etc"] = kOriginal;
    hosts.EditHosts("/etc", "1.2.3.4", "srv.example");
    hosts.EditHosts(kHosts, "1.2.3.4", "sv");
    hosts.EditHosts("/etc/missing", "1.2.3.4", "srv.example");
    for (const char* ip : {"1.2.3.4\n5.6.7.8 evil", "127.1", "0x7f.0.0.1", "010.0.0.1", "1.2.3.4 x"})
        hosts.EditHosts(kHosts, ip, "srv.example");
    for (const char* name : {"srv example", "srv#x", "srv\rx", "srv\nevil", "localhost", "127", "0.0", "ip6-loopback"}) {
        hosts.EditHosts(kHosts, "1.2.3.4", name);
        hosts.EditHosts(kHosts, "exit", name);
    }
    EXPECT_EQ(store.replaceCalls, 0);
    EXPECT_EQ(store.files.size(), 2u);
    EXPECT_EQ(store.files[kHosts], kOriginal);
}

TEST_F(HostsFileTest, WritesTheEntryAndAlwaysKeepsABackup) {
    store.changesBeforeReplace = 0;
    hosts.EditHosts(kHosts, "1.2.3.4", "srv.example");
    EXPECT_EQ(store.files[kHosts], kOriginal + "\n1.2.3.4    srv.example       # Verbindung von Tavik zum Firmenserver\n");
    hosts.EditHosts(kHosts, "exit", "srv.example");
    hosts.EditHosts(kHosts, "exit", "srv.example");  // nothing to remove, rewritten all the same
    EXPECT_EQ(store.files[kHosts], kOriginal);
    EXPECT_EQ(store.files[kHosts + ".jst"], kOriginal);
    EXPECT_EQ(store.replacements, 3);
}

TEST_F(HostsFileTest, HoldsEntryOnlyWhenTheNameStillResolvesToTheAddress) {
    store.changesBeforeReplace = 0;
    const struct {
        const char* content;
        bool held;
    } rows[] = {
        {"127.0.0.1 localhost\n1.2.3.4    srv.example       # Verbindung von Tavik zum Firmenserver\n", true},
        {"1.2.3.4 SRV.example\n", true},                       // another program's line with our address
        {"127.0.0.1 localhost\n", false},                      // removed
        {"1.2.3.4 mysrv.example\n# 1.2.3.4 srv.example\n", false},  // only look-alikes
        {"9.9.9.9 srv.example\n1.2.3.4 srv.example\n", false},     // a line before ours wins
    };
    for (const auto& row : rows) {
        store.files[kHosts] = row.content;
        EXPECT_EQ(hosts.holdsEntry(kHosts, "1.2.3.4", "srv.example"), row.held) << row.content;
    }
    EXPECT_TRUE(hosts.holdsEntry("/etc/missing", "1.2.3.4", "srv.example")) << "nothing to restore into";
    EXPECT_EQ(store.replaceCalls, 0);
}

TEST_F(HostsFileTest, StartsOverOnAChangeByAnotherProgramAndKeepsIt) {
    hosts.EditHosts(kHosts, "1.2.3.4", "srv.example");
    EXPECT_EQ(store.replaceCalls, 2);
    EXPECT_EQ(store.files[kHosts],
              kOriginal + "10.0.0.7 other1\n\n1.2.3.4    srv.example       # Verbindung von Tavik zum Firmenserver\n");
}

TEST_F(HostsFileTest, GivesUpAfterAFewChangesInARow) {
    store.changesBeforeReplace = 1000;
    hosts.EditHosts(kHosts, "1.2.3.4", "srv.example");
    EXPECT_EQ(store.replaceCalls, 5);
    EXPECT_EQ(store.replacements, 0);
    EXPECT_EQ(store.files[kHosts].find("srv.example"), std::string::npos);
}

}  // namespace
}  // namespace tavik
