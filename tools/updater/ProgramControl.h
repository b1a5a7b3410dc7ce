#pragma once
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace tavik::updater {

// The processes the updater deals with: the program it replaces and the one
// it starts. Tests put a fake in its place.
class ProgramControl {
public:
    virtual ~ProgramControl() = default;

    // Waits until no process runs the file `program` for `profile` (the
    // program's arguments joined by blanks, or its default profile without
    // any). False when one still does after `limit`.
    virtual bool waitUntilEnded(const std::filesystem::path& program, const std::string& profile,
                                std::chrono::milliseconds limit) = 0;

    // Starts `program` with `profile` as its one argument (none when empty), in
    // a session of its own and with this process's environment, without
    // waiting for it. The process id, or none when it could not be started.
    virtual std::optional<int> start(const std::filesystem::path& program, const std::string& profile) = 0;

    // True when the process started by `start` still runs after `period`, or
    // ended orderly (exit status 0) within it; false when it failed.
    virtual bool confirmRunning(int pid, std::chrono::milliseconds period) = 0;
};

}  // namespace tavik::updater
