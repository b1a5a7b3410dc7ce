#include "platform/posix/PosixProcesses.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "platform/posix/CommandLine.h"
#include "platform/posix/Spawn.h"

namespace tavik {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool PosixProcesses::start(const std::string& commandLine) {
    return spawn(splitCommandLine(commandLine, isExecutableFile));
}

bool PosixProcesses::startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    if (program.empty()) return false;
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return spawn(words);
}

bool PosixProcesses::spawn(const std::vector<std::string>& words) {
    reapFinished();
    // The child gets a session of its own, so that it outlives this program
    // and a terminal's hang-up does not reach it.
    SpawnOptions options;
    options.newSession = true;
    const auto pid = spawnProgram(words, options);
    if (!pid) return false;
    children_.push_back(*pid);
    return true;
}

void PosixProcesses::reapFinished() {
    children_.erase(std::remove_if(children_.begin(), children_.end(),
                                   [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; }),
                    children_.end());
}

void PosixProcesses::exitNow(int code) {
    std::fflush(nullptr);
    _exit(code);
}

}  // namespace tavik
