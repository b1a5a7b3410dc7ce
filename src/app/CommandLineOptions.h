#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/RegistryBackend.h"

namespace tavik {

// The few options a terminal user expects. They count only as the first
// argument word; every other command line names a profile, as it always did.
enum class CommandLineOption { None, Help, Version, Setup, Status };

struct ParsedCommandLine {
    CommandLineOption option = CommandLineOption::None;
    std::vector<std::string> profileWords;  // the words after the option
};

ParsedCommandLine parseCommandLineOption(const std::vector<std::string>& words);

// What the options need of the platform; the store is opened only for
// --setup and --status.
struct CommandLinePlatform {
    // The settings store as the client opens it.
    std::function<std::unique_ptr<RegistryBackend>()> openStore;
    Clock& clock;
    // The last lines of the help text: the settings this platform reads from
    // the environment.
    const char* environmentHelp;
    // Whether standard error is the service manager's journal, whose lines
    // carry their priority in front.
    bool standardErrorIsJournal = false;
};

// Carries out an option named by the argument words (without the program's
// own name) and returns the exit code, or nothing when the command line
// names a profile and the client should run.
std::optional<int> runCommandLineOption(const std::vector<std::string>& words, const CommandLinePlatform& platform);

}  // namespace tavik
