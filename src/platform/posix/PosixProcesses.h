#pragma once
#include <sys/types.h>

#include <vector>

#include "platform/Processes.h"

namespace tavik {

// Starts programs with posix_spawn (never through a shell) and ends this one.
class PosixProcesses : public Processes {
public:
    bool start(const std::string& commandLine) override;
    bool startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
    [[noreturn]] void exitNow(int code) override;

    // Collects the exit of children that have ended, so none lingers as a zombie.
    void reapFinished();

private:
    bool spawn(const std::vector<std::string>& words);

    std::vector<pid_t> children_;
};

}  // namespace tavik
