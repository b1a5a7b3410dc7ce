#include "platform/posix/Spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/posix/UniqueFd.h"

extern char** environ;

namespace tavik {
namespace {

using Clock = std::chrono::steady_clock;

// The attributes and file actions of one start, destroyed however the start ends.
class SpawnSetup {
public:
    SpawnSetup() {
        attributesReady_ = posix_spawnattr_init(&attributes_) == 0;
        actionsReady_ = posix_spawn_file_actions_init(&actions_) == 0;
    }
    ~SpawnSetup() {
        if (attributesReady_) posix_spawnattr_destroy(&attributes_);
        if (actionsReady_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool prepare(const SpawnOptions& options, int outputFd) {
        if (!attributesReady_ || !actionsReady_) return false;
        short flags = 0;
        if (options.newSession) flags |= POSIX_SPAWN_SETSID;
        if (!options.defaultSignals.empty()) {
            sigset_t signals;
            sigemptyset(&signals);
            for (const int signal : options.defaultSignals) {
                if (sigaddset(&signals, signal) != 0) return false;
            }
            if (posix_spawnattr_setsigdefault(&attributes_, &signals) != 0) return false;
            flags |= POSIX_SPAWN_SETSIGDEF;
        }
        if (posix_spawnattr_setflags(&attributes_, flags) != 0) return false;
        if (options.quietInput &&
            posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0) {
            return false;
        }
        if (outputFd >= 0 && posix_spawn_file_actions_adddup2(&actions_, outputFd, STDOUT_FILENO) != 0) return false;
        return true;
    }
    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attributes_{};
    posix_spawn_file_actions_t actions_{};
    bool attributesReady_ = false;
    bool actionsReady_ = false;
};

std::optional<pid_t> spawnWith(const std::vector<std::string>& words, const SpawnOptions& options, int outputFd) {
    if (words.empty() || words.front().empty()) return std::nullopt;
    std::vector<char*> argv;
    for (const auto& word : words) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);

    SpawnSetup setup;
    if (!setup.prepare(options, outputFd)) return std::nullopt;
    pid_t pid = 0;
    const int result = options.searchPath
                           ? posix_spawnp(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), environ)
                           : posix_spawn(&pid, argv[0], setup.actions(), setup.attributes(), argv.data(), environ);
    if (result != 0) return std::nullopt;
    return pid;
}

// Milliseconds left until the deadline, for poll(); -1 (no end) without one.
int millisecondsLeft(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Reads until the writer closes its end; false when the deadline came first.
bool readAll(int fd, std::string& text, const std::optional<Clock::time_point>& deadline) {
    char buffer[512];
    for (;;) {
        pollfd ready{fd, POLLIN, 0};
        const int polled = poll(&ready, 1, millisecondsLeft(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) return false;
        if (polled < 0) return true;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return true;
        }
    }
}

// The child's wait status; nothing when the deadline came first.
std::optional<int> waitForEnd(pid_t pid, const std::optional<Clock::time_point>& deadline) {
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, deadline ? WNOHANG : 0);
        if (ended == pid) return status;
        if (ended < 0 && errno != EINTR) return -1;
        if (ended == 0) {
            if (Clock::now() >= *deadline) return std::nullopt;
            std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(10),
                                                                  *deadline - Clock::now()));
        }
    }
}

}  // namespace

std::optional<pid_t> spawnProgram(const std::vector<std::string>& words, const SpawnOptions& options) {
    return spawnWith(words, options, -1);
}

std::optional<ProgramOutcome> runAndWait(const std::vector<std::string>& words, const SpawnOptions& options) {
    UniqueFd readEnd;
    UniqueFd writeEnd;
    if (options.collectOutput) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
        readEnd.reset(fds[0]);
        writeEnd.reset(fds[1]);
    }
    std::optional<Clock::time_point> deadline;
    if (options.limit) deadline = Clock::now() + *options.limit;
    const auto pid = spawnWith(words, options, writeEnd.get());
    if (!pid) return std::nullopt;

    ProgramOutcome outcome;
    if (options.collectOutput) {
        // Our copy of the write end must go, or the read below never sees the end.
        writeEnd.reset();
        outcome.timedOut = !readAll(readEnd.get(), outcome.output, deadline);
    }
    std::optional<int> status = outcome.timedOut ? std::nullopt : waitForEnd(*pid, deadline);
    if (!status) {
        // It outlasted its time: it is ended here, so that no half-done
        // program goes on behind the caller's back, and reaped.
        outcome.timedOut = true;
        kill(*pid, SIGKILL);
        status = waitForEnd(*pid, std::nullopt);
    }
    outcome.exitCode = !outcome.timedOut && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    return outcome;
}

}  // namespace tavik
