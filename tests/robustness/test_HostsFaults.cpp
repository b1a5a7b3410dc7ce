// The hosts file under real faults: modes that stop the writer, immutable
// files, a full disk, a rename that cannot happen, and a kill at every step
// of a rewrite. Whatever happens, the file holds the old or the new text,
// whole, and a left-over ".new" is never taken for the file.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <functional>
#include <set>
#include <vector>

#include "../platform/hostsfile/HostsFolder.h"
#include "ChildProcess.h"
#include "InodeFlag.h"
#include "ResolverCheck.h"
#include "hosts/HostsEntry.h"
#include "hosts/HostsFile.h"
#include "platform/fakes/FakeClock.h"
#include "platform/posix/PosixHostsFileStore.h"

namespace tavik {
namespace {

using robustness::becomeNobody;
using robustness::kNobody;
using robustness::runInChild;
using robustness::setInodeFlag;
using Step = PosixHostsFileStore::Step;

const std::string kName = "firma-server";
const std::string kAddress = "10.0.0.7";
const std::string kWithout =
    "127.0.0.1\tlocalhost\n::1\tip6-localhost ip6-loopback\n10.1.1.1 printer.lan printer\n\n# office\n"
    "192.0.2.5 nas\n2001:db8::5 nas6\n";
const std::string kWith =
    "127.0.0.1\tlocalhost\n192.0.2.99    firma-server       # 01.12.2026 10:00 Verbindung von Tavik zum "
    "Firmenserver\n::1\tip6-localhost ip6-loopback\n10.1.1.1 printer.lan printer\n\n# office\n"
    "192.0.2.5 nas\n2001:db8::5 nas6\n";

// One edit the client makes: the file before and the address it writes.
struct Edit {
    const char* what;
    std::string before;
    std::string address;  // "exit" removes
    std::string answerBefore;
    std::string answerAfter;
};

const Edit kEdits[] = {
    {"append", kWithout, kAddress, "", kAddress},
    {"replace", kWith, kAddress, "192.0.2.99", kAddress},
    {"remove", kWith, "exit", "192.0.2.99", ""},
};

// In a child: makes renaming over the hosts file impossible, as a bind mount
// in a container does, in a mount namespace of the child's own. False when
// this system does not allow it.
bool bindOverItself(const std::filesystem::path& file) {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0;
}

// In a child: makes the folder read-only, as the root of a read-only
// container, with the hosts file mounted on its own and writable, as
// container engines mount it. False when this system does not allow it.
bool readOnlyFolderWithWritableFile(const std::filesystem::path& folder, const std::filesystem::path& file) {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND | MS_REC, nullptr) == 0 &&
           ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// Whether the child could make the rename fail for real; asked once.
bool bindMountsPossible(const std::filesystem::path& file) {
    static const bool possible = runInChild([&] { return bindOverItself(file) ? 0 : 1; }).ok();
    return possible;
}

// The empty lines an interrupted rewrite in place may leave behind the new text.
bool isNewTextWithPadding(const std::string& content, const std::string& newText) {
    return content.size() > newText.size() && content.compare(0, newText.size(), newText) == 0 &&
           content.find_first_not_of('\n', newText.size()) == std::string::npos;
}

class HostsFaults : public testing::Test, protected HostsFolder {
protected:
    HostsFaults() {
        ::chmod(folder.c_str(), 0755);
        prepare(kWithout);
    }
    ~HostsFaults() override {
        setInodeFlag(hosts, FS_IMMUTABLE_FL, false);
        setInodeFlag(folder, FS_IMMUTABLE_FL, false);
    }

    void prepare(const std::string& content) {
        for (const char* side : {".new", ".jst"}) std::filesystem::remove(this->side(side));
        write(hosts, content);
        ASSERT_EQ(::chown(hosts.c_str(), 0, 0), 0);
        ::chmod(hosts.c_str(), 0644);
    }

    bool edit(const std::string& address, PosixHostsFileStore::FailAt failAt = {}) {
        PosixHostsFileStore store(std::move(failAt));
        return HostsFile(store, clock).EditHosts(hosts.string(), address, kName);
    }

    std::string rewritten(const std::string& before, const std::string& address) const {
        return rewriteHosts(before, address, kName, clock.now());
    }

    // A failed edit leaves the file as it was, no ".new", and at most a true backup.
    void expectUntouched(const std::string& before, const std::string& what) {
        EXPECT_EQ(read(hosts), before) << what;
        EXPECT_FALSE(std::filesystem::exists(side(".new"))) << what;
        if (std::filesystem::exists(side(".jst"))) {
            EXPECT_EQ(read(side(".jst")), before) << what;
        }
    }

    void expectResolversAgree(const std::string& before, const std::string& address, const std::string& what) {
        if (!resolvers.unavailable().empty()) return;  // reported once by ResolversWorkHere
        EXPECT_EQ(resolvers.disagreements(before, read(hosts), kName, address), "") << what;
    }

    FakeClock clock;
    robustness::Resolvers resolvers;
};

TEST_F(HostsFaults, ResolversWorkHere) {
    if (!resolvers.unavailable().empty()) GTEST_SKIP() << "resolver checks skipped: " << resolvers.unavailable();
    // The check itself must see a change of the managed name and of any other.
    EXPECT_EQ(resolvers.disagreements(kWithout, rewritten(kWithout, kAddress), kName, kAddress), "");
    EXPECT_NE(resolvers.disagreements(kWithout, rewritten(kWithout, "10.0.0.8"), kName, kAddress), "");
    EXPECT_NE(resolvers.disagreements(kWithout, kWithout + "10.9.9.9 nas\n", kName, ""), "");
    EXPECT_NE(resolvers.disagreements(kWith, kWithout, kName, "192.0.2.99"), "");
}

// Faults that stop the writer before it can change anything; each is then
// taken away again and the next edit must go through.
TEST_F(HostsFaults, AWriterThatIsStoppedChangesNothingAndLeavesNothingInTheWay) {
    struct Fault {
        const char* what;
        bool asNobody;
        std::function<bool()> set;  // false: not possible here
        std::function<void()> undo;
    };
    const Fault faults[] = {
        {"hosts file unreadable", true, [&] { return ::chmod(hosts.c_str(), 0600) == 0; },
         [&] { ::chmod(hosts.c_str(), 0644); }},
        {"folder read-only", true, [&] { return ::chown(hosts.c_str(), kNobody, kNobody) == 0; },
         [&] { ASSERT_EQ(::chown(hosts.c_str(), 0, 0), 0); }},
        {"folder immutable", false, [&] { return setInodeFlag(folder, FS_IMMUTABLE_FL, true); },
         [&] { setInodeFlag(folder, FS_IMMUTABLE_FL, false); }},
        {"hosts file immutable: no rename over it", false, [&] { return setInodeFlag(hosts, FS_IMMUTABLE_FL, true); },
         [&] { setInodeFlag(hosts, FS_IMMUTABLE_FL, false); }},
    };
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up the faults";
    int tried = 0;
    for (const auto& fault : faults) {
        prepare(kWithout);
        if (!fault.set()) {
            std::cout << "not possible here: " << fault.what << "\n";
            continue;
        }
        ++tried;
        const auto end = runInChild([&] {
            if (fault.asNobody && !becomeNobody()) return 90;
            return edit(kAddress) ? 1 : 0;
        });
        EXPECT_TRUE(end.ok()) << fault.what << ": child ended with " << end.code << " (1: reported as done)";
        expectUntouched(kWithout, fault.what);

        fault.undo();
        EXPECT_TRUE(edit(kAddress)) << fault.what;
        EXPECT_EQ(read(hosts), rewritten(kWithout, kAddress)) << fault.what;
        EXPECT_FALSE(std::filesystem::exists(side(".new"))) << fault.what;
    }
    EXPECT_GE(tried, 2);
}

TEST_F(HostsFaults, AnUnreadableHostsFileIsNotFound) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set up the fault";
    ::chmod(hosts.c_str(), 0600);
    const auto end = runInChild([&] {
        if (!becomeNobody()) return 90;
        PosixHostsFileStore store;
        return HostsFile(store, clock).SetHost(hosts).empty() ? 0 : 1;
    });
    EXPECT_TRUE(end.ok()) << end.code;
}

// A file size limit makes writes fail part-way (EFBIG), as a full disk does.
TEST_F(HostsFaults, ADiskThatFillsUpDuringTheWriteLeavesTheOldFile) {
    std::string before = kWithout;
    for (int i = 0; before.size() < 4000; ++i) before += "10.2.0." + std::to_string(i % 250) + " host" + std::to_string(i) + "\n";
    for (const bool inPlace : {false, true}) {
        const char* what = inPlace ? "in place" : "through .new";
        if (inPlace && !bindMountsPossible(hosts)) {
            std::cout << "no bind mounts here: the rewrite in place is not tried\n";
            continue;
        }
        prepare(before);
        const ino_t inode = info(hosts).st_ino;
        const auto end = runInChild([&] {
            if (inPlace && !bindOverItself(hosts)) return 91;
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{before.size() + 10, before.size() + 10};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 92;
            return edit(kAddress) ? 1 : 0;
        });
        EXPECT_TRUE(end.ok()) << what << ": child ended with " << end.code << " (1: reported as done)";
        expectUntouched(before, what);
        EXPECT_EQ(info(hosts).st_ino, inode) << what;
    }
}

// A child runs the edit and stops itself at one step; it is then killed.
// Every step of both ways of replacing the file is tried, for a file that
// grows and for files that shrink.
TEST_F(HostsFaults, AKillAtAnyStepLeavesTheOldOrTheNewFile) {
    constexpr int kSteps = static_cast<int>(Step::SyncInPlace) + 1;
    for (const bool inPlace : {false, true}) {
        const bool realBindMount = inPlace && bindMountsPossible(hosts);
        for (const auto& change : kEdits) {
            std::set<Step> stoppedAt;
            for (int index = 0; index < kSteps; ++index) {
                const Step step = static_cast<Step>(index);
                const std::string what = std::string(inPlace ? "in place, " : "through .new, ") + change.what +
                                         ", step " + std::to_string(index);
                prepare(change.before);
                const std::string after = rewritten(change.before, change.address);

                const auto end = runInChild([&] {
                    if (realBindMount && !bindOverItself(hosts)) return 91;
                    edit(change.address, [&](Step at) {
                        if (at == step) ::raise(SIGSTOP);
                        // Without a bind mount, a busy file stands in for it.
                        return inPlace && !realBindMount && at == Step::Rename ? EBUSY : 0;
                    });
                    return 0;
                });
                if (end.stopped) stoppedAt.insert(step);
                else EXPECT_TRUE(end.ok()) << what << ": child ended with " << end.code;

                const std::string left = read(hosts);
                const bool whole = left == change.before || left == after || (inPlace && isNewTextWithPadding(left, after));
                EXPECT_TRUE(whole) << what << ":\n" << left;
                EXPECT_EQ(info(hosts).st_mode & 07777, 0644u) << what;
                if (left != change.before) expectResolversAgree(change.before, change.answerAfter, what);

                // The next edit, by a fresh process, starts from the file and
                // not from whatever ".new" was left.
                if (std::filesystem::exists(side(".new"))) write(side(".new"), "6.6.6.6 " + kName + "\n");
                EXPECT_TRUE(edit(change.address)) << what;
                EXPECT_EQ(read(hosts), rewritten(left, change.address)) << what;
                EXPECT_FALSE(std::filesystem::exists(side(".new"))) << what;
                expectResolversAgree(change.before, change.answerAfter, what + ", next edit");
            }
            // Each path must really have been interrupted at each of its steps.
            std::set<Step> notTaken = inPlace ? std::set<Step>{Step::SyncFolder}
                                              : std::set<Step>{Step::CopyBackup, Step::OpenInPlace, Step::WriteInPlace,
                                                               Step::TruncateInPlace, Step::SyncInPlace};
            EXPECT_EQ(stoppedAt.size() + notTaken.size(), static_cast<std::size_t>(kSteps))
                << (inPlace ? "in place, " : "through .new, ") << change.what;
            for (const Step step : notTaken) EXPECT_FALSE(stoppedAt.count(step));
        }
    }
}

TEST_F(HostsFaults, AReadOnlyFolderWithAWritableFileIsRewrittenInPlaceAndSaysSo) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for the mounts";
    for (const auto& change : kEdits) {
        prepare(change.before);
        const ino_t inode = info(hosts).st_ino;
        const auto end = runInChild([&] {
            if (!readOnlyFolderWithWritableFile(folder, hosts)) return 91;
            if (::mkdir((folder / "probe").c_str(), 0700) == 0 || errno != EROFS) return 92;
            std::vector<std::string> logged;
            PosixHostsFileStore store;
            HostsFile file(store, clock, [&](const std::string& line) { logged.push_back(line); });
            if (!file.EditHosts(hosts.string(), change.address, kName)) return 1;
            return logged.size() == 1 && logged[0].find("schreibgeschützt") != std::string::npos ? 0 : 2;
        });
        if (end.code == 91) GTEST_SKIP() << "no mount namespaces here";
        EXPECT_TRUE(end.ok()) << change.what << ": child ended with " << end.code
                              << " (1: edit failed, 2: no log line, 92: folder not read-only)";
        EXPECT_EQ(read(hosts), rewritten(change.before, change.address)) << change.what;
        EXPECT_EQ(info(hosts).st_ino, inode) << change.what;
        EXPECT_EQ(info(hosts).st_mode & 07777, 0644u) << change.what;
        EXPECT_FALSE(std::filesystem::exists(side(".new"))) << change.what;
        EXPECT_FALSE(std::filesystem::exists(side(".jst"))) << change.what;
        expectResolversAgree(change.before, change.answerAfter, change.what);
    }
}

// A security attribute that the editing user may not set does not stop the
// edit, but the log says it is gone; the user's own attributes stay.
TEST_F(HostsFaults, ASecurityAttributeThatCannotBeSetIsLeftOutAndLogged) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to set a security attribute";
    ::chmod(folder.c_str(), 0777);
    ASSERT_EQ(::chown(hosts.c_str(), kNobody, kNobody), 0);
    if (::setxattr(hosts.c_str(), "security.tavik", "label", 5, 0) != 0 ||
        ::setxattr(hosts.c_str(), "user.tavik", "kept", 4, 0) != 0)
        GTEST_SKIP() << "no extended attributes here";
    const auto end = runInChild([&] {
        if (!becomeNobody()) return 90;
        std::vector<std::string> logged;
        PosixHostsFileStore store;
        HostsFile file(store, clock, [&](const std::string& line) { logged.push_back(line); });
        if (!file.EditHosts(hosts.string(), kAddress, kName)) return 1;
        return logged.size() == 1 && logged[0].find("security.tavik") != std::string::npos ? 0 : 2;
    });
    EXPECT_TRUE(end.ok()) << "child ended with " << end.code << " (1: edit failed, 2: no log line)";
    EXPECT_EQ(read(hosts), rewritten(kWithout, kAddress));
    char value[16];
    EXPECT_EQ(::getxattr(hosts.c_str(), "user.tavik", value, sizeof value), 4);
    EXPECT_EQ(std::string(value, 4), "kept");
}

}  // namespace
}  // namespace tavik
