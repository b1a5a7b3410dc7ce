#pragma once
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace tavik::robustness {

// The user and group that own nothing; a child that takes them on meets the
// file modes that root would ignore.
constexpr uid_t kNobody = 65534;

// How a child process ended.
struct ChildEnd {
    bool exited = false;   // else killed by a signal
    int code = -1;         // exit code, or the signal number
    bool stopped = false;  // it stopped itself and was then killed
    bool ok() const { return exited && code == 0; }
};

// Forks; the child runs `body` and ends with its result, without running any
// of this process's exit handlers. Returns the child's id, -1 on failure.
inline pid_t startChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    int code = 100;
    try {
        code = body();
    } catch (...) {
        code = 101;
    }
    ::_exit(code);
}

// Waits until the child ends; a child that stops itself (SIGSTOP) is killed.
// With `kill` the child is killed at once.
inline ChildEnd endChild(pid_t pid, bool kill = false) {
    ChildEnd end;
    if (pid < 0) return end;
    if (kill) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, WUNTRACED) < 0) {
        if (errno != EINTR) return end;
    }
    if (WIFSTOPPED(status)) {
        end.stopped = true;
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) return end;
        }
    }
    end.exited = WIFEXITED(status);
    end.code = end.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    return end;
}

inline ChildEnd runInChild(const std::function<int()>& body) { return endChild(startChild(body)); }

// In a child: gives up root for nobody; false when that is not possible.
inline bool becomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

}  // namespace tavik::robustness
