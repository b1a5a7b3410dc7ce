#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "../../TempDirectory.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

// Runs the real child program from a folder whose name and file name hold
// blanks, and reads back the words it received.
class Win32ProcessesTest : public testing::Test {
protected:
    void SetUp() override {
        folder = testing_support::makeTempDirectory("tavik-proc-");
        ASSERT_FALSE(folder.empty());
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        fs::create_directories(folder / "Prog Files");
        child = folder / "Prog Files" / "print arguments.exe";
        fs::copy_file(fs::path(self).parent_path() / "print_arguments.exe", child);
        output = folder / "words.txt";
        SetEnvironmentVariableW(L"TAVIK_ARGUMENTS_FILE", output.wstring().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"TAVIK_ARGUMENTS_FILE", nullptr);
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // The words the child wrote, once it has written them.
    std::vector<std::string> received() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(output) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::vector<std::string> words;
        {
            std::ifstream in(output, std::ios::binary);
            for (std::string line; std::getline(in, line);) words.push_back(line);
        }
        fs::remove(output);
        return words;
    }

    fs::path folder, child, output;
    Win32Processes processes;
};

TEST_F(Win32ProcessesTest, CommandLineReachesTheChildWordForWord) {
    // The program path is not quoted and holds blanks, as the updater's and
    // the service tool's command lines are written.
    ASSERT_TRUE(processes.start(child.string() + " Tavik6.exe,Büro 2"));
    EXPECT_EQ(received(), (std::vector<std::string>{"Tavik6.exe,Büro", "2"}));

    ASSERT_TRUE(processes.start(child.string() + " /Install /Startup:A \"C:/Prog Files/\" Tavik6.exe\""));
    EXPECT_EQ(received(), (std::vector<std::string>{"/Install", "/Startup:A", "C:/Prog Files/", "Tavik6.exe"}));
}

TEST_F(Win32ProcessesTest, EveryArgumentIsQuotedSoThatItArrivesUnchanged) {
    const std::vector<std::string> arguments = {
        "plain", "two words", "", "trailing\\", "trailing blank\\", "C:\\Prog Files\\\\",
        "say \"hi\"", "\\\"", "a\\\\\"b", "tab\there", "Grüße €"};
    std::vector<std::string> words{child.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    ASSERT_TRUE(Win32Processes::startWords(words));
    EXPECT_EQ(received(), arguments);
}

TEST_F(Win32ProcessesTest, MissingProgramDoesNotStart) {
    EXPECT_FALSE(processes.start((folder / "missing.exe").string() + " a"));
    EXPECT_FALSE(processes.start(""));
}

}  // namespace
}  // namespace tavik
