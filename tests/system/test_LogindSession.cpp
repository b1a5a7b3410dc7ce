#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fakes/FakeDialogs.h"
#include "platform/posix/LogindSession.h"
#include "system/Shutdown.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

// A stand-in for busctl in a temporary folder: it records its arguments one
// per line, prints the scripted answer and exits with the scripted code.
class LogindSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-logind-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        busctl = dir / "busctl";
        std::ofstream(busctl) << "#!/bin/sh\n"
                                 "d=$(dirname \"$0\")\n"
                                 "printf '%s\\n' \"$@\" > \"$d/args\"\n"
                                 "cat \"$d/answer\" 2>/dev/null\n"
                                 "exit $(cat \"$d/code\" 2>/dev/null || echo 0)\n";
        fs::permissions(busctl, fs::perms::owner_all);
        savedSession = std::getenv("XDG_SESSION_ID") ? std::getenv("XDG_SESSION_ID") : "";
        hadSession = std::getenv("XDG_SESSION_ID") != nullptr;
    }
    void TearDown() override {
        if (hadSession) {
            setenv("XDG_SESSION_ID", savedSession.c_str(), 1);
        } else {
            unsetenv("XDG_SESSION_ID");
        }
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void script(const std::string& answer, int code) {
        std::ofstream(dir / "answer") << answer;
        std::ofstream(dir / "code") << code;
        fs::remove(dir / "args");
    }
    // The method and its arguments busctl was called with, after the fixed prefix.
    std::vector<std::string> call() {
        std::ifstream in(dir / "args");
        std::vector<std::string> words;
        for (std::string line; std::getline(in, line);) words.push_back(line);
        const std::vector<std::string> prefix = {"call", "org.freedesktop.login1", "/org/freedesktop/login1",
                                                 "org.freedesktop.login1.Manager"};
        if (words.size() < prefix.size() || !std::equal(prefix.begin(), prefix.end(), words.begin())) {
            ADD_FAILURE() << "unexpected busctl call";
            return words;
        }
        return {words.begin() + static_cast<long>(prefix.size()), words.end()};
    }
    bool called() const { return fs::exists(dir / "args"); }

    fs::path dir;
    fs::path busctl;
    std::string savedSession;
    bool hadSession = false;
};

TEST_F(LogindSessionTest, ReportsTheNewerFamilyAboveFour) {
    LogindSession session(busctl.string());
    const auto os = session.version();
    ASSERT_TRUE(os.has_value());
    EXPECT_EQ(os->platformId, 2);
    EXPECT_GT(os->majorVersion, 4);
    EXPECT_FALSE(session.endShell());
}

TEST_F(LogindSessionTest, ShutdownRightFollowsCanReboot) {
    LogindSession session(busctl.string());
    const struct {
        const char* answer;
        int code;
        bool granted;
    } rows[] = {{"s \"yes\"\n", 0, true},  {"s \"challenge\"\n", 0, true}, {"s \"no\"\n", 0, false},
                {"s \"na\"\n", 0, false},  {"s \"yes\"\n", 1, false},       {"", 0, false}};
    for (const auto& row : rows) {
        script(row.answer, row.code);
        EXPECT_EQ(session.acquireShutdownRight(), row.granted) << row.answer << " exit " << row.code;
        EXPECT_EQ(call(), std::vector<std::string>{"CanReboot"});
    }
}

TEST_F(LogindSessionTest, EndsBySessionMode) {
    LogindSession session(busctl.string());
    setenv("XDG_SESSION_ID", "c7", 1);
    const struct {
        unsigned flags;
        std::vector<std::string> call;
    } rows[] = {{22, {"Reboot", "b", "false"}},
                {2, {"Reboot", "b", "false"}},
                {1, {"PowerOff", "b", "false"}},
                {13, {"PowerOff", "b", "false"}},
                {4, {"TerminateSession", "s", "c7"}}};
    for (const auto& row : rows) {
        script("", 0);
        EXPECT_TRUE(session.exitSession(row.flags)) << row.flags;
        EXPECT_EQ(call(), row.call) << row.flags;
    }
    script("", 1);
    EXPECT_FALSE(session.exitSession(2));
}

TEST_F(LogindSessionTest, LogOffNeedsASession) {
    LogindSession session(busctl.string());
    unsetenv("XDG_SESSION_ID");
    script("", 0);
    EXPECT_FALSE(session.exitSession(0));
    EXPECT_FALSE(called());
    EXPECT_FALSE(session.exitSession(3));  // no such mode
    EXPECT_FALSE(called());
}

TEST_F(LogindSessionTest, MissingBusctlFailsEverything) {
    LogindSession session((dir / "no-such-busctl").string());
    EXPECT_FALSE(session.acquireShutdownRight());
    EXPECT_FALSE(session.exitSession(2));
}

TEST_F(LogindSessionTest, ServerOrderedRestartReachesReboot) {
    LogindSession session(busctl.string());
    FakeDialogs dialogs;
    Shutdown shutdown(session, dialogs);
    script("s \"yes\"\n", 0);
    EXPECT_TRUE(shutdown.SystemShutdown(2, true, false));
    EXPECT_EQ(call(), (std::vector<std::string>{"Reboot", "b", "false"}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace tavik
