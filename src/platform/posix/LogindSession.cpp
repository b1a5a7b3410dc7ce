#include "platform/posix/LogindSession.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

extern char** environ;

namespace tavik {
namespace {

constexpr unsigned kModeMask = 3;
constexpr unsigned kModeLogOff = 0;
constexpr unsigned kModePowerOff = 1;
constexpr unsigned kModeReboot = 2;

// Closes a descriptor once, however the call is left.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

std::string readAll(int fd) {
    std::string text;
    char buffer[512];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return text;
        }
    }
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

LogindSession::LogindSession(std::string busctlPath) : busctl_(std::move(busctlPath)) {}

std::optional<OsVersion> LogindSession::version() { return OsVersion{2, 5}; }

bool LogindSession::acquireShutdownRight() {
    const auto outcome = callManager({"CanReboot"});
    if (!outcome || outcome->exitCode != 0) return false;
    // busctl prints the answer as: s "yes"
    const std::string& answer = outcome->output;
    return answer.find("\"yes\"") != std::string::npos || answer.find("\"challenge\"") != std::string::npos;
}

bool LogindSession::endShell() { return false; }

bool LogindSession::exitSession(unsigned flags) {
    std::optional<Outcome> outcome;
    switch (flags & kModeMask) {
        case kModeReboot:
            outcome = callManager({"Reboot", "b", "false"});
            break;
        case kModePowerOff:
            outcome = callManager({"PowerOff", "b", "false"});
            break;
        case kModeLogOff: {
            const char* session = std::getenv("XDG_SESSION_ID");
            if (session == nullptr || *session == '\0') return false;
            outcome = callManager({"TerminateSession", "s", session});
            break;
        }
        default:
            return false;
    }
    return outcome && outcome->exitCode == 0;
}

std::optional<LogindSession::Outcome> LogindSession::callManager(
    const std::vector<std::string>& methodAndArguments) const {
    std::vector<std::string> words = {busctl_, "call", "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager"};
    words.insert(words.end(), methodAndArguments.begin(), methodAndArguments.end());
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    Descriptor readEnd(fds[0]);
    Descriptor writeEnd(fds[1]);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return std::nullopt;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;

    // Our copy of the write end must go, or the read below never sees the end.
    writeEnd.reset();
    Outcome outcome;
    outcome.output = readAll(readEnd.get());
    outcome.exitCode = waitForExit(pid);
    return outcome;
}

}  // namespace tavik
