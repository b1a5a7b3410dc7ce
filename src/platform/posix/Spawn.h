#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavik {

// How a program is started. Every program this code base starts goes through
// here: an argument vector, never a shell.
struct SpawnOptions {
    // Look words[0] up on PATH when it holds no slash.
    bool searchPath = false;
    // A session of its own, so the child outlives us and a terminal's
    // hang-up does not reach it.
    bool newSession = false;
    // Signals set back to their default action in the child (an ignored
    // SIGPIPE, for instance, is otherwise inherited).
    std::vector<int> defaultSignals;
    // Standard input from /dev/null instead of ours.
    bool quietInput = false;
    // runAndWait only: collect the child's standard output.
    bool collectOutput = false;
    // runAndWait only: the child is killed when it has not ended by then.
    std::optional<std::chrono::milliseconds> limit;
};

struct ProgramOutcome {
    int exitCode = -1;       // -1 when it did not end normally
    bool timedOut = false;   // killed because it outlasted the limit
    std::string output;      // standard output, when asked for
};

// Starts `words[0]` with the other words as its arguments and does not wait.
// The pid of the child, or nothing when it could not be started.
std::optional<pid_t> spawnProgram(const std::vector<std::string>& words, const SpawnOptions& options);

// Starts like spawnProgram and waits for the child to end (or for the limit).
// Nothing when it could not be started.
std::optional<ProgramOutcome> runAndWait(const std::vector<std::string>& words, const SpawnOptions& options);

}  // namespace tavik
