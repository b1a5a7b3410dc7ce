#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "../../TempDirectory.h"
#include "Win32ProgramControl.h"
#include "platform/win32/WideText.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavik::updater::Win32ProgramControl;

// Long enough that a program still running after it really runs on; the
// waits return as soon as a program ends, so a long bound costs nothing.
constexpr auto kGenerous = 30s;

// Profiles of this test alone: other tests in the same Wine prefix claim
// profiles of their own at the same time.
std::string own(const std::string& profile) { return profile + " " + std::to_string(GetCurrentProcessId()); }

// The real child program, copied into a folder whose name holds a blank,
// started through the adapter.
class Win32ProgramControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = tavik::testing_support::makeTempDirectory("velmora4-proc-");
        ASSERT_FALSE(folder_.empty());
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        fs::create_directories(folder_ / "Prog Files");
        holder_ = folder_ / "Prog Files" / "Tavik6.exe";
        fs::copy_file(fs::path(self).parent_path() / "profile_holder.exe", holder_);
        record_ = folder_ / "profile.txt";
        SetEnvironmentVariableW(L"TAVIK_HOLDER_FILE", record_.wstring().c_str());
    }
    void TearDown() override {
        for (const int pid : stillRunning_) {
            const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
            if (process) {
                TerminateProcess(process, 9);
                WaitForSingleObject(process, 10000);
                CloseHandle(process);
            }
        }
        for (const wchar_t* name : {L"TAVIK_HOLDER_FILE", L"TAVIK_HOLDER_MS", L"TAVIK_HOLDER_EXIT"})
            SetEnvironmentVariableW(name, nullptr);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::optional<int> start(const std::string& profile, int milliseconds, int exitCode) {
        fs::remove(record_);
        SetEnvironmentVariableW(L"TAVIK_HOLDER_MS", std::to_wstring(milliseconds).c_str());
        SetEnvironmentVariableW(L"TAVIK_HOLDER_EXIT", std::to_wstring(exitCode).c_str());
        return control_.start(holder_, profile);
    }

    // The profile the child claimed (never empty), once it has claimed it.
    // The file may be there a moment before it can be opened: the child's
    // rename may still hold it.
    std::string claimed() {
        const auto until = std::chrono::steady_clock::now() + kGenerous;
        for (;;) {
            std::ifstream in(record_, std::ios::binary);
            std::stringstream text;
            if (in) text << in.rdbuf();
            if (!text.str().empty() || std::chrono::steady_clock::now() >= until) return text.str();
            std::this_thread::sleep_for(20ms);
        }
    }

    fs::path folder_, holder_, record_;
    Win32ProgramControl control_{10ms};
    std::vector<int> stillRunning_;
};

TEST_F(Win32ProgramControlTest, WaitEndsWhenTheProgramOfThatProfileHasEnded) {
    const auto pid = start(own("Büro 2"), 1500, 0);
    ASSERT_TRUE(pid);
    EXPECT_EQ(claimed(), own("Büro 2")) << "the profile is one argument, byte for byte";

    EXPECT_FALSE(control_.waitUntilEnded(holder_, own("büro 2"), 0ms)) << "profiles match in any ASCII case";
    EXPECT_TRUE(control_.waitUntilEnded(holder_, own("Büro 3"), 0ms)) << "another profile does not hold it up";
    EXPECT_TRUE(control_.waitUntilEnded(holder_, own("Büro 2"), kGenerous));
    // Ended: a new program of that profile can claim it again.
    ASSERT_TRUE(start(own("Büro 2"), 0, 0));
    EXPECT_EQ(claimed(), own("Büro 2"));
}

TEST_F(Win32ProgramControlTest, StartIsConfirmedWhileTheProgramRunsOrWhenItEndedOrderly) {
    const struct {
        const char* name;
        std::string profile;
        int milliseconds;
        int exitCode;
        std::chrono::milliseconds period;
        bool confirmed;
        std::string claimed;
    } cases[] = {
        {"keeps running", own("Büro \"2\""), 60000, 0, 300ms, true, own("Büro \"2\"")},
        {"ends orderly", "", 0, 0, kGenerous, true, "Tavik6"},
        {"fails", own("x"), 0, 3, kGenerous, false, own("x")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pid = start(c.profile, c.milliseconds, c.exitCode);
        ASSERT_TRUE(pid);
        EXPECT_EQ(claimed(), c.claimed);
        EXPECT_EQ(control_.confirmRunning(*pid, c.period), c.confirmed);
        if (c.milliseconds > 0) stillRunning_.push_back(*pid);
    }
    // A second start of a profile that runs ends at once with an error.
    const auto second = start(own("Büro \"2\""), 0, 0);
    ASSERT_TRUE(second);
    EXPECT_FALSE(control_.confirmRunning(*second, kGenerous));

    EXPECT_FALSE(control_.start(folder_ / "missing.exe", "x"));
    EXPECT_FALSE(control_.confirmRunning(4242, 0ms)) << "not a process this updater started";
}

}  // namespace
