#include "PosixProgramControl.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include "platform/posix/Spawn.h"
#include "state/TavikGlobal.h"

namespace tavik::updater {
namespace {

using Clock = std::chrono::steady_clock;

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool isNumber(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// The profile a running program works for: its arguments joined by one
// blank, as the program itself reads them, or its default without any.
std::string profileOf(int pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string profile;
    const std::size_t firstEnd = raw.find('\0');
    if (firstEnd != std::string::npos && firstEnd + 1 < raw.size()) {
        profile = raw.substr(firstEnd + 1);
        if (!profile.empty() && profile.back() == '\0') profile.pop_back();
        for (char& c : profile) {
            if (c == '\0') c = ' ';
        }
    }
    return profile.empty() ? kProductName : profile;
}

}  // namespace

std::vector<int> processesRunning(const std::filesystem::path& program, const std::string& profile) {
    std::vector<int> found;
    struct stat wanted {};
    if (::stat(program.c_str(), &wanted) != 0) return found;
    const int self = static_cast<int>(::getpid());
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isNumber(name)) continue;
        const int pid = std::stoi(name);
        struct stat running {};
        // The link leads to the file the process was started from, even one
        // renamed since; ended processes and other users' fail here.
        if (pid == self || ::stat(("/proc/" + name + "/exe").c_str(), &running) != 0) continue;
        if (sameFile(running, wanted) && profileOf(pid) == profile) found.push_back(pid);
    }
    return found;
}

PosixProgramControl::PosixProgramControl(std::chrono::milliseconds pollInterval) : pollInterval_(pollInterval) {}

bool PosixProgramControl::waitUntilEnded(const std::filesystem::path& program, const std::string& profile,
                                         std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (processesRunning(program, profile).empty()) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pollInterval_);
    }
}

std::optional<int> PosixProgramControl::start(const std::filesystem::path& program, const std::string& profile) {
    std::vector<std::string> words{program.string()};
    if (!profile.empty()) words.push_back(profile);
    // A session of its own, so the program outlives the updater and no
    // terminal hang-up reaches it; the signals the updater ignores are the
    // program's own business again.
    SpawnOptions options;
    options.newSession = true;
    options.defaultSignals = {SIGPIPE};
    const auto pid = spawnProgram(words, options);
    if (!pid) return std::nullopt;
    return static_cast<int>(*pid);
}

bool PosixProgramControl::confirmRunning(int pid, std::chrono::milliseconds period) {
    const auto deadline = Clock::now() + period;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended < 0) return false;
        if (Clock::now() >= deadline) return true;
        std::this_thread::sleep_for(pollInterval_);
    }
}

}  // namespace tavik::updater
