#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace tavik {

// Starting other programs and ending this one.
class Processes {
public:
    virtual ~Processes() = default;
    // Starts a command line without waiting and never through a shell; the
    // platform splits it into program and arguments. False when it could not start.
    virtual bool start(const std::string& commandLine) = 0;
    // Starts `program` without waiting and never through a shell, with each
    // of `arguments` reaching it as one argument, byte for byte (blanks,
    // quotes and all). False when it could not start.
    virtual bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) = 0;
    // Ends this process at once with the code; no further step of the caller runs.
    [[noreturn]] virtual void exitNow(int code) = 0;
};

}  // namespace tavik
