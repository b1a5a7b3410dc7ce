#include "platform/posix/ProfileLock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <set>

namespace tavik {
namespace {

namespace fs = std::filesystem;

class ProfileLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-lock-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        store = folder / "config" / "registry.sqlite";
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    fs::path store;
};

// Profile names are whole command lines: blanks, slashes, dots and
// non-ASCII letters must give one plain file beside the store, a file of its
// own per profile, and one file for names the store takes as the same section.
TEST_F(ProfileLockTest, EveryProfileNameGivesItsOwnFileBesideTheStore) {
    const std::string names[] = {"Tavik6", "Büro 2", "a/b", "../../etc/passwd", "%41", "A", ".", "",
                                 std::string(400, 'x'), std::string(400, 'x') + "y"};
    std::set<fs::path> files;
    for (const auto& name : names) {
        const fs::path file = ProfileLock::lockFile(store, name);
        EXPECT_EQ(file.parent_path(), store.parent_path()) << name;
        EXPECT_LT(file.filename().string().size(), 200u) << name;
        files.insert(file);
    }
    EXPECT_EQ(files.size(), std::size(names));
    EXPECT_EQ(ProfileLock::lockFile(store, "TAVIK6"), ProfileLock::lockFile(store, "tavik6"));
    EXPECT_NE(ProfileLock::lockFile(store, "Tavik6"), ProfileLock::lockFile(folder / "other.sqlite", "Tavik6"));
}

// One running client per profile; other profiles run beside it, and the
// claim ends with the holder, also when it dies without cleaning up.
TEST_F(ProfileLockTest, ASecondClaimOfAProfileFindsItInUseUntilTheHolderEnds) {
    auto first = std::make_unique<ProfileLock>();
    ASSERT_EQ(first->claim(store, "Büro 2/ä"), ProfileClaim::Claimed);
    EXPECT_EQ((fs::status(store.parent_path()).permissions() & fs::perms::all), fs::perms::owner_all);
    ProfileLock second;
    EXPECT_EQ(second.claim(store, "Büro 2/ä"), ProfileClaim::InUse);
    EXPECT_EQ(second.claim(store, "Büro 3"), ProfileClaim::Claimed) << "another profile runs beside it";
    first.reset();
    EXPECT_EQ(ProfileLock().claim(store, "Büro 2/ä"), ProfileClaim::Claimed);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ProfileLock held;
        const char answer = held.claim(store, "Tavik6") == ProfileClaim::Claimed ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) == 1) ::pause();
        ::_exit(0);
    }
    char answer = 0;
    EXPECT_EQ(::read(ready[0], &answer, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(answer, 'y');
    if (answer == 'y') {
        EXPECT_EQ(ProfileLock().claim(store, "Tavik6"), ProfileClaim::InUse);
    }
    ::kill(child, SIGKILL);  // no exit of its own: only the kernel can drop its lock
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(ProfileLock().claim(store, "Tavik6"), ProfileClaim::Claimed);
}

}  // namespace
}  // namespace tavik
