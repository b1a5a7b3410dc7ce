#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tavik {

struct ProgramOutcome {
    int exitCode = -1;   // -1 when it did not end normally
    std::string output;  // standard output, when asked for
};

// Runs `words[0]` with the other words as its arguments (never through a
// shell), standard input from /dev/null, and waits for it to end. Its
// standard output is collected when `collectOutput`, else it goes where ours
// goes. Nothing when the program could not be started.
std::optional<ProgramOutcome> runAndWait(std::vector<std::string> words, bool collectOutput);

}  // namespace tavik
