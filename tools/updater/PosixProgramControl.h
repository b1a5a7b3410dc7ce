#pragma once
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ProgramControl.h"

namespace tavik::updater {

// The processes of this machine, seen through /proc, started with posix_spawn.
class PosixProgramControl : public ProgramControl {
public:
    explicit PosixProgramControl(std::chrono::milliseconds pollInterval = std::chrono::milliseconds(50));

    bool waitUntilEnded(const std::filesystem::path& program, const std::string& profile,
                        std::chrono::milliseconds limit) override;
    std::optional<int> start(const std::filesystem::path& program, const std::string& profile) override;
    bool confirmRunning(int pid, std::chrono::milliseconds period) override;

private:
    std::chrono::milliseconds pollInterval_;
};

// Ids of the processes (other than this one) whose program file is `program`
// and whose profile is `profile`. Processes of other users, which /proc does
// not show us, are not found.
std::vector<int> processesRunning(const std::filesystem::path& program, const std::string& profile);

}  // namespace tavik::updater
