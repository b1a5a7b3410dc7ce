#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "PosixProgramControl.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavik::updater::PosixProgramControl;
using tavik::updater::processesRunning;

// Long enough that a program still running after it has not been slowed down
// by a busy machine but really runs on; the waits return as soon as a program
// ends, so a long bound costs nothing when it does.
constexpr auto kGenerous = 30s;

class PosixProgramControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("velmora4-proc-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        for (const int pid : started_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(folder_);
    }

    fs::path script(const std::string& name, const std::string& body) {
        const fs::path file = folder_ / name;
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(file, fs::perms(0755));
        return file;
    }

    std::optional<int> start(const fs::path& program, const std::string& profile) {
        auto pid = control_.start(program, profile);
        if (pid) started_.push_back(*pid);
        return pid;
    }

    void end(int pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        started_.erase(std::remove(started_.begin(), started_.end(), pid), started_.end());
    }

    std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder_;
    PosixProgramControl control_{10ms};
    std::vector<int> started_;
};

TEST_F(PosixProgramControlTest, ProfileIsOneArgumentAndNoneWhenEmpty) {
    const fs::path record = folder_ / "record";
    // Records its argument count, its first argument, its session and its own id.
    const fs::path program =
        script("Tavik6", "printf '%s\\n' \"$#\" \"$1\" \"$(cut -d' ' -f6 /proc/$$/stat)\" \"$$\" > '" +
                             record.string() + "'");
    struct Case {
        std::string profile;
        std::string count;
    };
    for (const Case& c :
         {Case{"Büro 2", "1"}, Case{"Büro  2", "1"}, Case{"a\"b", "1"}, Case{"x y z", "1"}, Case{"", "0"}}) {
        SCOPED_TRACE(c.profile);
        const auto pid = start(program, c.profile);
        ASSERT_TRUE(pid);
        // An orderly end within the period counts as a good start.
        EXPECT_TRUE(control_.confirmRunning(*pid, kGenerous));
        std::istringstream lines(read(record));
        std::string count, first, session, self;
        std::getline(lines, count);
        std::getline(lines, first);
        std::getline(lines, session);
        std::getline(lines, self);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(first, c.profile);
        EXPECT_EQ(session, self) << "the program leads a session of its own";
    }
}

TEST_F(PosixProgramControlTest, ProgramThatFailsIsNotConfirmedAndOneThatRunsIs) {
    const auto failing = start(script("failing", "exit 1"), "");
    ASSERT_TRUE(failing);
    EXPECT_FALSE(control_.confirmRunning(*failing, kGenerous));

    const auto killed = start(script("killed", "kill -9 $$"), "");
    ASSERT_TRUE(killed);
    EXPECT_FALSE(control_.confirmRunning(*killed, kGenerous));

    const auto running = start(script("running", "exec sleep 60"), "");
    ASSERT_TRUE(running);
    EXPECT_TRUE(control_.confirmRunning(*running, 100ms));
    end(*running);
}

TEST_F(PosixProgramControlTest, FileThatCannotRunIsNotStarted) {
    EXPECT_FALSE(start(folder_ / "missing", "Büro"));
    std::ofstream(folder_ / "plain") << "no program\n";
    EXPECT_FALSE(start(folder_ / "plain", "Büro"));
}

TEST_F(PosixProgramControlTest, WaitFindsTheProgramOfTheProfileUntilItEnds) {
    // A copy of sleep stands for the program; its argument is its profile.
    const fs::path program = folder_ / "Tavik6";
    fs::copy_file("/bin/sleep", program);
    const auto pid = start(program, "60");
    ASSERT_TRUE(pid);
    // The process shows in /proc once it has been started from the file.
    ASSERT_TRUE(control_.confirmRunning(*pid, 100ms));

    EXPECT_EQ(processesRunning(program, "60"), std::vector<int>{*pid});
    EXPECT_TRUE(processesRunning(program, "Tavik6").empty()) << "another profile";
    EXPECT_TRUE(processesRunning(folder_ / "other", "60").empty());
    EXPECT_FALSE(control_.waitUntilEnded(program, "60", 0ms));
    EXPECT_TRUE(control_.waitUntilEnded(program, "Büro", 0ms));

    end(*pid);
    EXPECT_TRUE(control_.waitUntilEnded(program, "60", kGenerous));
}

}  // namespace
