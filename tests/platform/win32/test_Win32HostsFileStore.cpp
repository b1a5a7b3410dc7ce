#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "../../TempDirectory.h"
#include "hosts/HostsFile.h"
#include "platform/fakes/FakeClock.h"
#include "platform/win32/Win32HostsFileStore.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Step = Win32HostsFileStore::Step;

class Win32HostsFileStoreTest : public testing::Test {
protected:
    void SetUp() override {
        folder = testing_support::makeTempDirectory("tavik-winhosts-");
        ASSERT_FALSE(folder.empty());
        hosts = folder / "hosts";
    }
    void TearDown() override { fs::remove_all(folder); }

    static void write(const fs::path& path, const std::string& content) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    }
    static std::string read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    fs::path side(const char* suffix) const { return hosts.string() + suffix; }
    // An edit whose new content does not depend on what it read.
    static ReplaceResult replaceWith(Win32HostsFileStore& store, const fs::path& file, const std::string& content) {
        return store.edit(file, [&](const std::string&) { return content; }).result;
    }

    // A second handle on the hosts file, as another program would hold it.
    HANDLE holdFile(DWORD share) const {
        return CreateFileW(hosts.wstring().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    fs::path folder;
    fs::path hosts;
    FakeClock clock;
};

TEST_F(Win32HostsFileStoreTest, EditHostsWritesCrLfKeepsOtherLinesAndABackup) {
    Win32HostsFileStore store;
    HostsFile file(store, clock);
    const std::string original = "127.0.0.1 localhost\r\n\r\n::1 ip6-localhost\rfe80::1 lan\n";
    write(hosts, original);
    EXPECT_EQ(file.SetHost(hosts), hosts.string());

    file.EditHosts(hosts.string(), "1.2.3.4", "srv.example");
    const std::string appended = "127.0.0.1 localhost\r\n::1 ip6-localhost\r\nfe80::1 lan\r\n\r\n"
                                 "1.2.3.4    srv.example       # Verbindung von Tavik zum Firmenserver\r\n";
    EXPECT_EQ(read(hosts), appended);
    EXPECT_EQ(read(side(".jst")), original);
    EXPECT_FALSE(fs::exists(side(".new")));

    file.EditHosts(hosts.string(), "exit", "srv.example");
    EXPECT_EQ(read(hosts), "127.0.0.1 localhost\r\n::1 ip6-localhost\r\nfe80::1 lan\r\n");
    EXPECT_EQ(read(side(".jst")), appended);
    EXPECT_FALSE(fs::exists(side(".new")));
}

TEST_F(Win32HostsFileStoreTest, ChangedOrMissingFileIsLeftAlone) {
    Win32HostsFileStore store;
    write(hosts, "a\r\n");
    // Another program that ignores the lock writes while the edit runs.
    const EditOutcome outcome = store.edit(hosts, [&](const std::string& current) {
        EXPECT_EQ(current, "a\r\n");
        write(hosts, "written meanwhile\r\n");
        return std::string("c\n");
    });
    EXPECT_EQ(outcome.result, ReplaceResult::Changed);
    EXPECT_EQ(read(hosts), "written meanwhile\r\n");
    EXPECT_FALSE(fs::exists(side(".new")));
    const EditOutcome missing = store.edit(folder / "missing", [](const std::string&) { return std::string("c\n"); });
    EXPECT_EQ(missing.result, ReplaceResult::Failed);
    EXPECT_FALSE(missing.note.empty());
    EXPECT_FALSE(store.read(folder / "missing"));
}

// Each refused step: the swap and the move give way to the rewrite in place;
// a refused new file or rewrite leaves the file as it was.
TEST_F(Win32HostsFileStoreTest, RefusedStepsFallBackOrLeaveTheFileWhole) {
    struct Row {
        std::vector<Step> refused;
        ReplaceResult result;
    };
    for (const Row& row : {Row{{Step::Swap}, ReplaceResult::Replaced},
                           Row{{Step::Swap, Step::Move}, ReplaceResult::Replaced},
                           Row{{Step::WriteNew}, ReplaceResult::Failed},
                           Row{{Step::Swap, Step::Move, Step::InPlace}, ReplaceResult::Failed}}) {
        const std::string original = "127.0.0.1 localhost\r\n10.0.0.1 a-much-longer-line-than-the-new-one\r\n";
        write(hosts, original);
        fs::remove(side(".jst"));
        Win32HostsFileStore store([&](Step step) -> unsigned long {
            for (Step refused : row.refused)
                if (refused == step) {
                return ERROR_ACCESS_DENIED;
            }
            return 0;
        }, 1s, 100ms);
        const std::string step = "refused step " + std::to_string(static_cast<int>(row.refused.back()));
        EXPECT_EQ(replaceWith(store, hosts, "1.2.3.4 x\n"), row.result) << step;
        EXPECT_EQ(read(hosts), row.result == ReplaceResult::Replaced ? "1.2.3.4 x\r\n" : original) << step;
        if (row.result == ReplaceResult::Replaced) {
            EXPECT_EQ(read(side(".jst")), original) << step;
        }
        EXPECT_FALSE(fs::exists(side(".new"))) << step;
    }
}

TEST_F(Win32HostsFileStoreTest, SecondWriterWaitsForTheLockABoundedTime) {
    write(hosts, "a\r\n");
    HANDLE other = holdFile(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;
    ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));

    Win32HostsFileStore store({}, 300ms, 100ms);
    EXPECT_EQ(replaceWith(store, hosts, "b\n"), ReplaceResult::Failed);
    EXPECT_EQ(read(hosts), "a\r\n");
    // The lock covers no byte of the content: readers go on reading.
    EXPECT_EQ(store.read(hosts), "a\r\n");

    std::thread release([&] {
        std::this_thread::sleep_for(200ms);
        UnlockFileEx(other, 0, 1, 0, &at);
    });
    Win32HostsFileStore patient({}, 5s, 100ms);
    EXPECT_EQ(replaceWith(patient, hosts, "b\n"), ReplaceResult::Replaced);
    release.join();
    CloseHandle(other);
    EXPECT_EQ(read(hosts), "b\r\n");
}

TEST_F(Win32HostsFileStoreTest, ScannerHoldingTheFileIsWaitedForOrWrittenAround) {
    write(hosts, "a\r\n");
    // A scanner that shares no deletion blocks the swap until it lets go.
    HANDLE scanner = holdFile(FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    std::thread release([&] {
        std::this_thread::sleep_for(300ms);
        CloseHandle(scanner);
    });
    Win32HostsFileStore store({}, 1s, 3s);
    EXPECT_EQ(replaceWith(store, hosts, "b\n"), ReplaceResult::Replaced);
    release.join();
    EXPECT_EQ(read(hosts), "b\r\n");
    EXPECT_EQ(read(side(".jst")), "a\r\n");

    // One that never lets go: the file is written in place.
    scanner = holdFile(FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    Win32HostsFileStore hurried({}, 1s, 200ms);
    EXPECT_EQ(replaceWith(hurried, hosts, "c\n"), ReplaceResult::Replaced);
    CloseHandle(scanner);
    EXPECT_EQ(read(hosts), "c\r\n");
    EXPECT_EQ(read(side(".jst")), "b\r\n");
    EXPECT_FALSE(fs::exists(side(".new")));
}

}  // namespace
}  // namespace tavik
