#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavik::updater {

// What the program asked for: the file in its updates folder that becomes the
// program, and the profile to start it with (empty: start it without one).
struct UpdaterCommand {
    std::string fileName;
    std::string profile;
};

// How long the old program may take to end, and how long the started program
// has to keep running before its start counts.
struct UpdaterOptions {
    std::chrono::milliseconds waitLimit{std::chrono::seconds(60)};
    std::chrono::milliseconds confirmPeriod{std::chrono::seconds(5)};
};

struct UpdaterArguments {
    UpdaterOptions options;
    UpdaterCommand command;
};

// A bare file name: not empty, not "." or "..", no "/", "\\" or ":" and no
// control characters.
bool acceptableFileName(const std::string& name);

// Reads "[--wait-seconds N] [--confirm-seconds N] file[,profile]". Options
// count only before the first other word. The program passes "file,profile"
// as one argument, which is taken byte for byte; a command line typed by hand
// may split it at blanks, so further words are joined with one blank (and are
// text, even when they look like options). The file name ends at the first
// comma whose leading part names a file in the updates folder (`isUpdateFile`),
// or else at the first comma; file names and profiles may both hold commas.
// Without a result, `error` says what was wrong.
std::optional<UpdaterArguments> parseArguments(const std::vector<std::string>& words,
                                               const std::function<bool(const std::string&)>& isUpdateFile,
                                               std::string& error);

}  // namespace tavik::updater
