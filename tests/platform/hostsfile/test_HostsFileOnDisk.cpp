#include <gtest/gtest.h>

#include "HostsFolder.h"
#include "hosts/HostsFile.h"
#include "platform/fakes/FakeClock.h"
#include "platform/posix/PosixHostsFileStore.h"

namespace tavik {
namespace {

const std::string kMarker = "       # Verbindung von Tavik zum Firmenserver\n";
const std::string kStamped = "       # 08.12.2026 14:03 Verbindung von Tavik zum Firmenserver\n";

class HostsFileOnDisk : public testing::Test, protected HostsFolder {
protected:
    FakeClock clock;
};

TEST_F(HostsFileOnDisk, SetHostFindsOnlyAReadableFile) {
    PosixHostsFileStore store;
    HostsFile file(store, clock);
    write(hosts, "");
    EXPECT_EQ(file.SetHost(hosts), hosts.string());
    EXPECT_EQ(file.SetHost(folder / "missing"), "");
}

TEST_F(HostsFileOnDisk, AppendsReplacesAndRemovesWithABackupEachTime) {
    PosixHostsFileStore store;
    HostsFile file(store, clock);
    write(hosts, "127.0.0.1 localhost\r\n\r\n::1 ip6-localhost\r");
    file.EditHosts(hosts.string(), "1.2.3.4", "srv.example");
    const std::string appended = "127.0.0.1 localhost\n::1 ip6-localhost\n\n1.2.3.4    srv.example" + kMarker;
    EXPECT_EQ(read(hosts), appended);
    EXPECT_EQ(read(side(".jst")), "127.0.0.1 localhost\r\n\r\n::1 ip6-localhost\r");

    file.EditHosts(hosts.string(), "fe80::2", "srv.example");
    EXPECT_EQ(read(hosts), "127.0.0.1 localhost\n::1 ip6-localhost\nfe80::2    srv.example" + kStamped);
    EXPECT_EQ(read(side(".jst")), appended);

    file.EditHosts(hosts.string(), "exit", "srv.example");
    EXPECT_EQ(read(hosts), "127.0.0.1 localhost\n::1 ip6-localhost\n");
    EXPECT_FALSE(std::filesystem::exists(side(".new")));
}

TEST_F(HostsFileOnDisk, RefusedInputTouchesNoFile) {
    PosixHostsFileStore store;
    HostsFile file(store, clock);
    const std::string original = "127.0.0.1 localhost\n";
    write(hosts, original);
    file.EditHosts(hosts.string(), "1.2.3.4\n5.6.7.8 evil", "srv.example");
    file.EditHosts(hosts.string(), "1.2.3.4", "srv.example\n5.6.7.8 evil");
    file.EditHosts(hosts.string(), "1.2.3.4", "sv");
    EXPECT_EQ(read(hosts), original);
    EXPECT_FALSE(std::filesystem::exists(side(".jst")));
    EXPECT_FALSE(std::filesystem::exists(side(".new")));
}

TEST_F(HostsFileOnDisk, KeepsWhatAnotherProgramWroteMeanwhile) {
    write(hosts, "127.0.0.1 localhost\n");
    int opens = 0;
    PosixHostsFileStore store([&](PosixHostsFileStore::Step step) {
        // The other program, which ignores the lock, edits the file after our read.
        if (step == PosixHostsFileStore::Step::CreateNew && opens++ == 0)
            write(hosts, "127.0.0.1 localhost\n10.0.0.9 printer\n");
        return 0;
    });
    HostsFile file(store, clock);
    file.EditHosts(hosts.string(), "1.2.3.4", "srv.example");
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(read(hosts), "127.0.0.1 localhost\n10.0.0.9 printer\n\n1.2.3.4    srv.example" + kMarker);
}

}  // namespace
}  // namespace tavik
