#include "platform/posix/PosixProcesses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace tavik {
namespace {

TEST(PosixProcesses, StartsAProgramFromAFolderWithBlanksWithoutAShell) {
    const auto folder = std::filesystem::temp_directory_path() / ("tavik proc " + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto script = folder / "record";
    const auto out = folder / "args.txt";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" << out.string() << ".tmp\"\nmv \""
                          << out.string() << ".tmp\" \"" << out.string() << "\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);

    PosixProcesses processes;
    ASSERT_TRUE(processes.start(script.string() + " new6,Büro 2 $(touch /tmp/x) ;ls"));
    for (int i = 0; i < 500 && !std::filesystem::exists(out); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out);
    std::vector<std::string> args;
    for (std::string a; std::getline(in, a);) args.push_back(a);
    EXPECT_EQ(args, (std::vector<std::string>{"new6,Büro", "2", "$(touch", "/tmp/x)", ";ls"}));
    processes.reapFinished();
    std::filesystem::remove_all(folder);
}

TEST(PosixProcesses, MissingProgramIsAFailedStart) {
    PosixProcesses processes;
    EXPECT_FALSE(processes.start("/nonexistent/Velmora4 Tavik6"));
    EXPECT_FALSE(processes.start(""));
}

}  // namespace
}  // namespace tavik
