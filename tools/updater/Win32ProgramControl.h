#pragma once
#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "ProgramControl.h"

namespace tavik::updater {

// The processes on Windows. A running program holds a named mutex for its
// profile as long as it lives; the updater waits until that mutex is gone,
// since the file of a running program cannot be replaced. Programs are
// started with CreateProcessW, every argument quoted.
class Win32ProgramControl : public ProgramControl {
public:
    explicit Win32ProgramControl(std::chrono::milliseconds pollInterval = std::chrono::milliseconds(50));
    ~Win32ProgramControl() override;
    Win32ProgramControl(const Win32ProgramControl&) = delete;
    Win32ProgramControl& operator=(const Win32ProgramControl&) = delete;

    bool waitUntilEnded(const std::filesystem::path& program, const std::string& profile,
                        std::chrono::milliseconds limit) override;
    std::optional<int> start(const std::filesystem::path& program, const std::string& profile) override;
    bool confirmRunning(int pid, std::chrono::milliseconds period) override;

private:
    std::chrono::milliseconds pollInterval_;
    // The handles of the processes this updater started, by id, so that the
    // check looks at that very process even if its id is reused.
    std::map<int, void*> started_;
};

}  // namespace tavik::updater
