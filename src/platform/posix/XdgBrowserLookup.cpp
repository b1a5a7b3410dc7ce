#include "platform/posix/XdgBrowserLookup.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <vector>

extern char** environ;

namespace tavik {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kMaxOutput = 4096;

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    for (const char c : text + ':') {
        if (c != ':') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(part);
            part.clear();
        }
    }
    return parts;
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// The environment for the child: ours, with the lookup's own paths.
std::vector<std::string> childEnvironment(const XdgBrowserLookup::Paths& paths) {
    const std::pair<std::string, std::string> own[] = {
        {"PATH", paths.path}, {"XDG_DATA_HOME", paths.dataHome}, {"XDG_DATA_DIRS", paths.dataDirs}};
    std::vector<std::string> result;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : own) replaced = replaced || text.rfind(name + "=", 0) == 0;
        if (!replaced) result.push_back(text);
    }
    for (const auto& [name, value] : own) result.push_back(name + "=" + value);
    return result;
}

// Runs `argv` without a shell and returns what it printed, when it ended
// with 0 within the time limit. A program that hangs is ended with its
// whole process group, so start-up never waits on it for long.
std::optional<std::string> runForOutput(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                                        std::chrono::milliseconds timeout) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }

    const auto deadline = SteadyClock::now() + timeout;
    auto remainingMs = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    };
    std::string output;
    bool timedOut = false;
    for (;;) {
        pollfd fd{pipeFds[0], POLLIN, 0};
        const int ready = poll(&fd, 1, remainingMs());
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[512];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (output.size() < kMaxOutput) output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);

    int status = 0;
    if (timedOut) kill(-pid, SIGKILL);
    for (;;) {
        const pid_t done = waitpid(pid, &status, timedOut ? 0 : WNOHANG);
        if (done == pid) break;
        if (done < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (remainingMs() == 0) {
            timedOut = true;
            kill(-pid, SIGKILL);
            continue;
        }
        // Output has ended but the program has not yet; look again shortly.
        poll(nullptr, 0, 10);
    }
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return output;
}

std::string firstLineTrimmed(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : line.substr(first, last - first + 1);
}

// A desktop file's value with its escapes (\s \n \t \r \\) undone.
std::string unescapeValue(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        default: out += next; break;
        }
    }
    return out;
}

// The Exec key of the [Desktop Entry] group (other groups, such as desktop
// actions, have Exec keys of their own).
std::string execOf(const std::string& desktopFile) {
    std::ifstream in(desktopFile);
    std::string line;
    bool inEntry = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || line.rfind("Exec", 0) != 0) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos || line.find_first_not_of(" \t", 4) != eq) continue;
        const auto start = line.find_first_not_of(" \t", eq + 1);
        return start == std::string::npos ? std::string() : unescapeValue(line.substr(start));
    }
    return {};
}

// The program word of an Exec command: quoted with \" \` \$ \\ escapes, or up
// to the first blank.
std::string programOfExec(const std::string& exec) {
    std::string program;
    if (!exec.empty() && exec.front() == '"') {
        for (std::size_t i = 1; i < exec.size(); ++i) {
            if (exec[i] == '\\' && i + 1 < exec.size()) {
                program += exec[++i];
            } else if (exec[i] == '"') {
                return program;
            } else {
                program += exec[i];
            }
        }
        return {};  // no closing quote
    }
    return exec.substr(0, exec.find_first_of(" \t"));
}

}  // namespace

XdgBrowserLookup::XdgBrowserLookup(Paths paths) : paths_(std::move(paths)) {}

XdgBrowserLookup::Paths XdgBrowserLookup::fromEnvironment() {
    Paths paths;
    paths.path = environmentOr("PATH", "/usr/local/bin:/usr/bin:/bin");
    paths.dataHome = environmentOr("XDG_DATA_HOME", environmentOr("HOME", "") + "/.local/share");
    paths.dataDirs = environmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    return paths;
}

std::string XdgBrowserLookup::findBrowser() {
    const std::string id = defaultHandlerId();
    if (!id.empty()) {
        const std::string desktopFile = findDesktopFile(id);
        if (!desktopFile.empty()) {
            const std::string program = resolveProgram(programOfExec(execOf(desktopFile)));
            if (!program.empty()) return program;
        }
    }
    return resolveProgram("xdg-open");
}

std::string XdgBrowserLookup::defaultHandlerId() const {
    const std::string xdgMime = paths_.xdgMime.empty() ? resolveProgram("xdg-mime") : paths_.xdgMime;
    if (xdgMime.empty() || !isExecutableFile(xdgMime)) return {};
    const auto output =
        runForOutput({xdgMime, "query", "default", "text/html"}, childEnvironment(paths_), paths_.timeout);
    if (!output) return {};
    const std::string id = firstLineTrimmed(*output);
    // An entry name, never a path: it is only ever looked up below the
    // applications folders.
    const std::string suffix = ".desktop";
    if (id.size() <= suffix.size() || id.compare(id.size() - suffix.size(), suffix.size(), suffix) != 0 ||
        id.find('/') != std::string::npos || id.front() == '.')
        return {};
    return id;
}

std::string XdgBrowserLookup::findDesktopFile(const std::string& id) const {
    // Entries in subfolders carry the folder in their name: "kde4-web.desktop"
    // may be kde4/web.desktop.
    auto lookIn = [](auto& self, const std::string& folder, const std::string& name) -> std::string {
        if (isRegularFile(folder + "/" + name)) return folder + "/" + name;
        for (auto dash = name.find('-'); dash != std::string::npos; dash = name.find('-', dash + 1)) {
            const std::string sub = folder + "/" + name.substr(0, dash);
            if (dash > 0 && isDirectory(sub)) {
                std::string found = self(self, sub, name.substr(dash + 1));
                if (!found.empty()) return found;
            }
        }
        return {};
    };
    std::vector<std::string> roots;
    if (!paths_.dataHome.empty()) roots.push_back(paths_.dataHome);
    for (const auto& dir : splitList(paths_.dataDirs)) roots.push_back(dir);
    for (const auto& root : roots) {
        std::string found = lookIn(lookIn, root + "/applications", id);
        if (!found.empty()) return found;
    }
    return {};
}

std::string XdgBrowserLookup::resolveProgram(const std::string& program) const {
    if (program.empty()) return {};
    if (program.find('/') != std::string::npos) {
        // Only a full path can be started later without a search.
        return program.front() == '/' && isExecutableFile(program) ? program : std::string();
    }
    for (const auto& dir : splitList(paths_.path)) {
        const std::string candidate = dir + "/" + program;
        if (dir.front() == '/' && isExecutableFile(candidate)) return candidate;
    }
    return {};
}

}  // namespace tavik
