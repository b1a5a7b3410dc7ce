#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/LogindSession.h"
#include "platform/posix/Spawn.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

const char* const kSystemBus = "DBUS_SYSTEM_BUS_ADDRESS";

// An environment variable set for one test and put back afterwards.
class ScopedVariable {
public:
    explicit ScopedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) saved_ = value;
    }
    ~ScopedVariable() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    void set(const std::string& value) const { setenv(name_, value.c_str(), 1); }
    void unset() const { unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// A bus daemon of our own, pointed to as the system bus, with python-dbusmock's
// logind on it: the calls reach it and are written to its log, never to the
// machine's own logind.
class LogindSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tavik-logind-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        address_ = "unix:path=" + (dir_ / "bus").string();
        // Set before anything else runs, so nothing here can reach the real bus.
        systemBus_.set(address_);
        sessionId_.set("c7");

        daemon_ = spawnProgram({"dbus-daemon", "--session", "--nofork", "--address=" + address_}, searchPath());
        ASSERT_TRUE(daemon_) << "dbus-daemon is missing";
        mock_ = spawnProgram({"/usr/bin/python3", "-m", "dbusmock", "--template", "logind", "--system", "--logfile",
                              (dir_ / "calls").string()},
                             {});
        ASSERT_TRUE(mock_) << "python3-dbusmock is missing";
        ASSERT_TRUE(waitForLogind()) << "the mock logind did not come up";
    }
    void TearDown() override {
        for (const auto& pid : {mock_, daemon_}) {
            if (!pid) continue;
            kill(*pid, SIGTERM);
            waitpid(*pid, nullptr, 0);
        }
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    static SpawnOptions searchPath() {
        SpawnOptions options;
        options.searchPath = true;
        options.quietInput = true;
        return options;
    }
    // dbus-send against our bus (the system bus, as the environment says);
    // its reply, or nothing when it failed.
    std::optional<std::string> send(std::vector<std::string> words) const {
        words.insert(words.begin(), {"dbus-send", "--system", "--print-reply"});
        SpawnOptions options = searchPath();
        options.collectOutput = true;
        options.limit = std::chrono::seconds(20);
        const auto outcome = runAndWait(words, options);
        if (!outcome || outcome->exitCode != 0) return std::nullopt;
        return outcome->output;
    }
    bool waitForLogind() const {
        for (int i = 0; i < 200; ++i) {
            const auto reply = send({"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus.NameHasOwner", "string:org.freedesktop.login1"});
            if (reply && reply->find("boolean true") != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // Gives a method of the mock's manager new Python code.
    void redefine(const std::string& method, const std::string& in, const std::string& out, const std::string& code) {
        ASSERT_TRUE(send({"--dest=org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.DBus.Mock.AddMethod", "string:org.freedesktop.login1.Manager",
                          "string:" + method, "string:" + in, "string:" + out, "string:" + code}));
    }
    // The calls logind received since the last look, as "Method arguments".
    std::vector<std::string> calls() {
        std::ifstream in(dir_ / "calls");
        in.seekg(static_cast<std::streamoff>(seen_));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            seen_ += line.size() + 1;
            lines.push_back(line.substr(line.find(' ') + 1));
        }
        return lines;
    }

    fs::path dir_;
    std::string address_;
    ScopedVariable systemBus_{kSystemBus};
    ScopedVariable sessionId_{"XDG_SESSION_ID"};
    std::optional<pid_t> daemon_;
    std::optional<pid_t> mock_;
    std::size_t seen_ = 0;
};

TEST_F(LogindSessionTest, ShutdownRightFollowsCanReboot) {
    LogindSession session;
    const struct {
        const char* answer;
        bool granted;
    } rows[] = {{"yes", true}, {"challenge", true}, {"no", false}, {"na", false}};
    for (const auto& row : rows) {
        redefine("CanReboot", "", "s", std::string("ret = '") + row.answer + "'");
        EXPECT_EQ(session.acquireShutdownRight(), row.granted) << row.answer;
        EXPECT_EQ(calls(), std::vector<std::string>{"CanReboot"}) << row.answer;
    }
}

TEST_F(LogindSessionTest, EndsBySessionModeAndReportsARefusal) {
    LogindSession session;
    const struct {
        unsigned flags;
        const char* call;
    } rows[] = {{22, "Reboot False"},   {2, "Reboot False"},    {1, "PowerOff False"},
                {13, "PowerOff False"}, {4, "TerminateSession \"c7\""}};
    for (const auto& row : rows) {
        EXPECT_TRUE(session.exitSession(row.flags)) << row.flags;
        EXPECT_EQ(calls(), std::vector<std::string>{row.call}) << row.flags;
    }

    redefine("Reboot", "b", "", "raise dbus.exceptions.DBusException('nein', name='org.freedesktop.DBus.Error.AccessDenied')");
    EXPECT_FALSE(session.exitSession(2));
    EXPECT_FALSE(session.exitSession(3));  // no such mode
    sessionId_.unset();
    EXPECT_FALSE(session.exitSession(0));  // no session to end
    const auto received = calls();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front(), "Reboot False");
    for (const auto& call : received) EXPECT_EQ(call.find("TerminateSession"), std::string::npos) << call;
}

TEST(LogindSessionFailures, MissingLibraryOrBusFailsEverything) {
    ScopedVariable systemBus(kSystemBus);
    // A socket path that is not there: never the machine's own bus.
    systemBus.set("unix:path=/nonexistent/tavik-test-bus");
    LogindSession noLibrary("libtavik-no-such-library.so.0");
    LogindSession noBus;
    for (LogindSession* session : {&noLibrary, &noBus}) {
        EXPECT_FALSE(session->acquireShutdownRight());
        EXPECT_FALSE(session->exitSession(2));
    }
}

}  // namespace
}  // namespace tavik
