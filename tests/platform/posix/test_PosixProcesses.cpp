#include "platform/posix/PosixProcesses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace tavik {
namespace {

// Writes each argument it gets, NUL-terminated, so blanks and line breaks show.
std::filesystem::path recordingScript(const std::filesystem::path& folder, const std::filesystem::path& out) {
    const auto script = folder / "record";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"" << out.string() << ".tmp\"\nmv \"" << out.string()
                          << ".tmp\" \"" << out.string() << "\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    return script;
}

std::vector<std::string> recordedArguments(const std::filesystem::path& out) {
    for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out, std::ios::binary);
    std::vector<std::string> args;
    for (std::string a; std::getline(in, a, '\0');) args.push_back(a);
    std::filesystem::remove(out);
    return args;
}

TEST(PosixProcesses, StartsAProgramFromAFolderWithBlanksWithoutAShell) {
    const auto folder = std::filesystem::temp_directory_path() / ("tavik proc " + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto out = folder / "args.txt";
    const auto script = recordingScript(folder, out);

    PosixProcesses processes;
    ASSERT_TRUE(processes.start(script.string() + " new6,Büro 2 $(touch /tmp/x) ;ls"));
    EXPECT_EQ(recordedArguments(out), (std::vector<std::string>{"new6,Büro", "2", "$(touch", "/tmp/x)", ";ls"}));

    // Separate arguments arrive exactly as given.
    const std::vector<std::vector<std::string>> argumentLists = {
        {"Tavik6,Büro  2"}, {"Tavik6,a\"b"}, {"x y z", " ", "$(touch /tmp/x) ;ls"}, {"a\nb\tc", "\"\"", "'"}};
    for (const auto& arguments : argumentLists) {
        ASSERT_TRUE(processes.startProgram(script, arguments));
        EXPECT_EQ(recordedArguments(out), arguments);
    }
    processes.reapFinished();
    std::filesystem::remove_all(folder);
}

TEST(PosixProcesses, MissingProgramIsAFailedStart) {
    PosixProcesses processes;
    EXPECT_FALSE(processes.start("/nonexistent/Velmora4 Tavik6"));
    EXPECT_FALSE(processes.start(""));
    EXPECT_FALSE(processes.startProgram("/nonexistent/Velmora4", {"Tavik6"}));
    EXPECT_FALSE(processes.startProgram("", {}));
}

}  // namespace
}  // namespace tavik
