#include "platform/posix/PosixEnvironment.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "platform/posix/JournalStream.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << content;
}

// A root the package was installed into (as dpkg --root does), with the
// program and the package's file list, and a copy of the program elsewhere.
class PlacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-places-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        writeFile(root / "opt/tavik6/bin/Tavik6", "program");
        writeFile(root / "var/lib/dpkg/info/tavik6.list",
                  "/.\n/opt\n/opt/tavik6\n/opt/tavik6/bin\n/opt/tavik6/bin/Velmora4\n/opt/tavik6/bin/Tavik6\n");
        // Another package's program of the same name is no reason.
        writeFile(root / "var/lib/dpkg/info/other.list", "/home/me/tavik/Tavik6\n");
        writeFile(root / "home/me/tavik/Tavik6", "program");
    }
    void TearDown() override { fs::remove_all(root); }

    VariableDataPlaces places(const fs::path& program, std::map<std::string, std::string> variables, bool asRoot) {
        return PosixEnvironment::choosePlaces(
            program,
            [&variables](const char* name) -> const char* {
                const auto found = variables.find(name);
                return found == variables.end() ? nullptr : found->second.c_str();
            },
            asRoot);
    }

    fs::path root;
};

struct PlacesCase {
    const char* name;
    const char* program;  // below the root; empty: this test program itself (a build folder)
    std::map<std::string, std::string> variables;  // "@" stands for the root
    bool asRoot;
    ProgramInstall install;
    const char* logFolder;      // below the root, or absolute; empty: beside the program
    const char* updatesParent;  // likewise
};

TEST_F(PlacesTest, LogAndUpdatesGoWhereTheInstallAllowsWriting) {
    const PlacesCase cases[] = {
        {"self-managed", "home/me/tavik/Tavik6", {{"XDG_STATE_HOME", "@/state"}}, false,
         ProgramInstall::SelfManaged, "", ""},
        {"build folder", "", {{"LOGS_DIRECTORY", "@/log"}}, true, ProgramInstall::SelfManaged, "", ""},
        {"package, user with XDG folders", "opt/tavik6/bin/Tavik6",
         {{"XDG_STATE_HOME", "@/state"}, {"XDG_CACHE_HOME", "@/cache"}, {"HOME", "@/home/me"}}, false,
         ProgramInstall::PackageManaged, "state/tavik6", "cache/tavik6"},
        {"package, user with relative XDG folders", "opt/tavik6/bin/Tavik6",
         {{"XDG_STATE_HOME", "state"}, {"HOME", "@/home/me"}}, false, ProgramInstall::PackageManaged,
         "home/me/.local/state/tavik6", "home/me/.cache/tavik6"},
        {"package, service", "opt/tavik6/bin/Tavik6",
         {{"LOGS_DIRECTORY", "@/var/log/tavik6"}, {"STATE_DIRECTORY", "@/var/lib/tavik6:@/var/lib/more"},
          {"HOME", "@/home/me"}},
         true, ProgramInstall::PackageManaged, "var/log/tavik6", "var/lib/tavik6"},
        {"package, root without the service's variables", "opt/tavik6/bin/Tavik6", {}, true,
         ProgramInstall::PackageManaged, "/var/log/tavik6", "/var/lib/tavik6"},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> variables;
        for (auto [name, value] : c.variables) {
            for (auto at = value.find('@'); at != std::string::npos; at = value.find('@'))
                value.replace(at, 1, root.string());
            variables[name] = value;
        }
        const fs::path program = *c.program ? root / c.program : fs::read_symlink("/proc/self/exe");
        // A build folder counts as one only for a user who may write it.
        if (!*c.program && ::access(program.parent_path().c_str(), W_OK) != 0) continue;
        const auto chosen = places(program, variables, c.asRoot);
        const auto expected = [&](const char* below) {
            return !*below ? program.parent_path() : *below == '/' ? fs::path(below) : root / below;
        };
        EXPECT_EQ(chosen.install, c.install) << c.name;
        EXPECT_EQ(chosen.logFolder, expected(c.logFolder)) << c.name;
        EXPECT_EQ(chosen.updatesParent, expected(c.updatesParent)) << c.name;
    }
}

TEST_F(PlacesTest, AFolderTheUserMayNotWriteKeepsNothingBesideTheProgram) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write every folder";
    fs::permissions(root / "home/me/tavik", fs::perms::owner_read | fs::perms::owner_exec);
    const auto chosen = places(root / "home/me/tavik/Tavik6", {{"HOME", (root / "home/me").string()}}, false);
    fs::permissions(root / "home/me/tavik", fs::perms::owner_all);
    EXPECT_EQ(chosen.install, ProgramInstall::NotWritable);
    EXPECT_EQ(chosen.logFolder, root / "home/me/.local/state/tavik6");
    EXPECT_EQ(chosen.updatesParent, root / "home/me/.cache/tavik6");
}

// systemd names the journal's stream in JOURNAL_STREAM; only a descriptor
// that is that very stream counts.
TEST(JournalStream, OnlyTheNamedStreamIsTheJournal) {
    char name[] = "/tmp/tavik-journal-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    struct stat status {};
    ASSERT_EQ(::fstat(fd, &status), 0);
    const std::string dev = std::to_string(status.st_dev);
    const std::string ino = std::to_string(status.st_ino);
    const struct {
        std::string value;
        bool journal;
    } cases[] = {
        {dev + ":" + ino, true},
        {dev + ":" + std::to_string(status.st_ino + 1), false},  // a stream the process no longer writes to
        {dev + ":" + ino + "x", false},
        {dev + ino, false},
        {"99999999999999999999999:" + ino, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isJournalStream(c.value.c_str(), fd), c.journal) << c.value;
    EXPECT_FALSE(isJournalStream(nullptr, fd));
    ::close(fd);
    ::unlink(name);
}

}  // namespace
}  // namespace tavik
