#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace tavik {

// The few options a terminal user expects. They count only as the first
// argument word; every other command line names a profile, as it always did.
enum class CommandLineOption { None, Help, Version, Setup, Status };

struct ParsedCommandLine {
    CommandLineOption option = CommandLineOption::None;
    std::vector<std::string> profileWords;  // the words after the option
};

ParsedCommandLine parseCommandLineOption(const std::vector<std::string>& words);

// Carries out an option and returns the exit code, or nothing when the
// command line names a profile and the client should run.
std::optional<int> runCommandLineOption(int argc, char** argv);

}  // namespace tavik
