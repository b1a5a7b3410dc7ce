#include "platform/posix/Spawn.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

namespace tavik {
namespace {

SpawnOptions options(bool searchPath, bool collect, std::vector<int> defaultSignals = {},
                     std::optional<std::chrono::milliseconds> limit = std::nullopt) {
    SpawnOptions o;
    o.searchPath = searchPath;
    o.quietInput = true;
    o.collectOutput = collect;
    o.defaultSignals = std::move(defaultSignals);
    o.limit = limit;
    return o;
}

TEST(Spawn, RunAndWaitReportsExitOutputAndTimeOut) {
    // The test ignores SIGPIPE as the programs do; the child inherits that
    // unless asked otherwise.
    const auto previous = signal(SIGPIPE, SIG_IGN);
    const std::string sigIgnSigpipe = "grep -q '^SigIgn:.*[13579bdf]...$' /proc/self/status && echo ignored || echo default";
    const auto shortLimit = std::chrono::milliseconds(300);
    const struct {
        std::vector<std::string> words;
        SpawnOptions options;
        int exitCode;
        std::string output;
        bool timedOut;
    } rows[] = {
        {{"/bin/sh", "-c", "echo out; exit 3"}, options(false, true), 3, "out\n", false},
        {{"sh", "-c", "cat; echo end"}, options(true, true), 0, "end\n", false},  // no input: cat ends at once
        {{"sh", "-c", sigIgnSigpipe}, options(true, true), 0, "ignored\n", false},
        {{"sh", "-c", sigIgnSigpipe}, options(true, true, {SIGPIPE}), 0, "default\n", false},
        {{"sh", "-c", "echo begun; exec sleep 30"}, options(true, true, {}, shortLimit), -1, "begun\n", true},
        {{"sleep", "30"}, options(true, false, {}, shortLimit), -1, "", true},
        {{"sh", "-c", "kill -9 $$"}, options(true, false), -1, "", false},
    };
    for (const auto& row : rows) {
        const auto outcome = runAndWait(row.words, row.options);
        ASSERT_TRUE(outcome.has_value()) << row.words.back();
        EXPECT_EQ(outcome->exitCode, row.exitCode) << row.words.back();
        EXPECT_EQ(outcome->output, row.output) << row.words.back();
        EXPECT_EQ(outcome->timedOut, row.timedOut) << row.words.back();
    }
    signal(SIGPIPE, previous);

    // Nothing runs when the program is not there, nor a bare name without the
    // PATH search.
    EXPECT_FALSE(runAndWait({"/nonexistent/program"}, options(false, true)));
    EXPECT_FALSE(runAndWait({"sh", "-c", "exit 0"}, options(false, false)));
    EXPECT_FALSE(runAndWait({}, options(true, false)));
    EXPECT_FALSE(spawnProgram({""}, options(true, false)));
}

}  // namespace
}  // namespace tavik
