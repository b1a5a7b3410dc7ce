#include "hosts/HostsFile.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryHostsFileStore.h"

namespace tavik {
namespace {

const std::string kHosts = "/etc/hosts";
const std::string kOriginal = "127.0.0.1 localhost\n";

// A store in which another program edits the file during the first
// `changesBeforeReplace` edits.
class BusyStore : public MemoryHostsFileStore {
public:
    int changesBeforeReplace = 1;
    int replaceCalls = 0;

    EditOutcome edit(const std::filesystem::path& file, const Transform& transform) override {
        if (!files.count(file)) return MemoryHostsFileStore::edit(file, transform);
        if (replaceCalls++ < changesBeforeReplace) {
            files[file] += "10.0.0.7 other" + std::to_string(replaceCalls) + "\n";
            return {ReplaceResult::Changed, "geändert"};
        }
        return MemoryHostsFileStore::edit(file, transform);
    }
};

class HostsFileTest : public testing::Test {
protected:
    HostsFileTest() { store.files[kHosts] = kOriginal; }
    BusyStore store;
    FakeClock clock;
    std::vector<std::string> logged;
    HostsFile hosts{store, clock, [this](const std::string& line) { logged.push_back(line); }};
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

TEST_F(HostsFileTest, SaysInOneLogLineWhyAnEditFailed) {
    struct Case {
        const char* what;
        std::string failWith;
        int changes;
        bool done;
        std::string logged;  // empty: no line
    };
    const Case cases[] = {
        {"done", "", 0, true, ""},
        {"locked", "ein anderes Programm hält sie gesperrt", 0, false,
         "Hosts-Datei /etc/hosts nicht geändert: ein anderes Programm hält sie gesperrt."},
        {"changed again and again", "", 1000, false, "Hosts-Datei /etc/hosts nicht geändert: geändert."},
    };
    for (const auto& test : cases) {
        logged.clear();
        store.failWith = test.failWith;
        store.changesBeforeReplace = store.replaceCalls + test.changes;
        EXPECT_EQ(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"), test.done) << test.what;
        if (test.logged.empty()) {
            EXPECT_TRUE(logged.empty()) << test.what;
            continue;
        }
        ASSERT_EQ(logged.size(), 1u) << test.what;
        EXPECT_EQ(logged[0].rfind(test.logged, 0), 0u) << test.what << ": " << logged[0];
    }
}

TEST_F(HostsFileTest, FailingEditsAreToldOnceWhenTheyBeginAndWhenTheyEnd) {
    std::vector<std::string> notices;
    hosts.tellUser([&](const std::string& text) { notices.push_back(text); });
    store.failWith = "keine Berechtigung";
    EXPECT_FALSE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    EXPECT_FALSE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    store.failWith.clear();
    EXPECT_TRUE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].find("nicht geändert: keine Berechtigung"), std::string::npos) << notices[0];
    EXPECT_NE(notices[1].find("wird wieder geändert"), std::string::npos) << notices[1];
    EXPECT_EQ(logged.size(), 1u);  // the second failure; the first went to the user with the log
}

// The privileged helper as the client sees it: answers in turn, and what it
// was asked to do.
class ScriptedHelper : public PrivilegedHostsEdit {
public:
    bool mayNotWrite = true;
    std::vector<Outcome> answers;
    std::vector<std::string> asked;
    bool needed(const std::filesystem::path&) override { return mayNotWrite; }
    Outcome edit(const std::string& serverIp, const std::string& serverName) override {
        asked.push_back(serverName + "=" + serverIp);
        const Outcome answer = answers.empty() ? Outcome::Done : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return answer;
    }
};

TEST_F(HostsFileTest, WithoutTheRightToWriteTheHelperEditsAndARefusalIsToldOnce) {
    using Outcome = PrivilegedHostsEdit::Outcome;
    ScriptedHelper helper;
    std::vector<std::string> notices;
    hosts.usePrivilegedEdit(helper, [&](const std::string& text) { notices.push_back(text); });
    store.changesBeforeReplace = 0;

    helper.answers = {Outcome::Denied, Outcome::Unavailable, Outcome::Done, Outcome::Failed};
    EXPECT_FALSE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    EXPECT_FALSE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("darf die Hosts-Datei /etc/hosts nicht ändern"), std::string::npos);
    EXPECT_TRUE(hosts.EditHosts(kHosts, "exit", "srv.example"));
    EXPECT_FALSE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    EXPECT_EQ(notices.size(), 2u);  // closed again after it had opened
    EXPECT_EQ(helper.asked, (std::vector<std::string>{"srv.example=1.2.3.4", "srv.example=1.2.3.4",
                                                      "srv.example=", "srv.example=1.2.3.4"}));
    EXPECT_EQ(store.replaceCalls, 0);
    EXPECT_EQ(store.files[kHosts], kOriginal);

    // Where the file is writable, the helper has nothing to do.
    helper.mayNotWrite = false;
    EXPECT_TRUE(hosts.EditHosts(kHosts, "1.2.3.4", "srv.example"));
    EXPECT_EQ(helper.asked.size(), 4u);
    EXPECT_NE(store.files[kHosts].find("1.2.3.4    srv.example"), std::string::npos);
}

}  // namespace
}  // namespace tavik
