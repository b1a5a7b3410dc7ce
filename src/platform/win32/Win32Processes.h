#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace tavik {

// Starts programs with CreateProcessW (never through a shell) and ends this one.
// The command line is split into program and arguments as on every platform;
// each argument is then quoted so that the child's C runtime
// (CommandLineToArgvW rules) gets back exactly the same words.
class Win32Processes : public Processes {
public:
    bool start(const std::string& commandLine) override;
    bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
    [[noreturn]] void exitNow(int code) override;

    // Starts `words[0]` with the other words as its arguments, without waiting.
    static bool startWords(const std::vector<std::string>& words);
    // The same, for a caller that watches the process: its handle (a HANDLE,
    // which the caller closes) and its id.
    struct Started {
        void* process;
        unsigned long id;
    };
    static std::optional<Started> launch(const std::vector<std::string>& words);
    // One argument as it must stand in a Windows command line.
    static std::wstring quoteArgument(const std::wstring& argument);
};

}  // namespace tavik
