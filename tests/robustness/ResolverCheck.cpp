#include "ResolverCheck.h"

#include <arpa/inet.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>

namespace tavik::robustness {
namespace {

constexpr int kUnavailable = 77;

struct Output {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

// Runs a program without a shell and collects what it prints. Its error
// output is small, so reading the two pipes one after the other cannot block.
std::optional<Output> run(const std::vector<std::string>& argv) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return std::nullopt;
    }
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    Output result;
    result.out = readAll(out[0]);
    result.err = readAll(err[0]);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return std::nullopt;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool parsesAs(int family, const std::string& text, std::string* canonical = nullptr) {
    unsigned char raw[sizeof(in6_addr)];
    if (::inet_pton(family, text.c_str(), raw) != 1) return false;
    char back[INET6_ADDRSTRLEN];
    if (canonical && ::inet_ntop(family, raw, back, sizeof back)) *canonical = back;
    return true;
}

// The address as the resolvers print it.
std::string canonical(const std::string& address) {
    std::string text = address;
    if (!parsesAs(AF_INET, address, &text)) parsesAs(AF_INET6, address, &text);
    return text;
}

// A scratch file that is removed again.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& content)
        : path_(std::filesystem::temp_directory_path() /
                ("tavik-resolve-" + std::to_string(std::random_device{}()))) {
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::string programFor(const std::string& library) { return "resolve-" + library; }

}  // namespace

const std::vector<std::string>& Resolvers::libraries() {
    static const std::vector<std::string> names{"glibc", "musl"};
    return names;
}

std::filesystem::path Resolvers::ownFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

Resolvers::Resolvers(std::filesystem::path folder) : folder_(std::move(folder)) {
    for (const auto& library : libraries()) {
        if (!std::filesystem::exists(folder_ / programFor(library))) {
            unavailable_ = "no " + programFor(library) + " in " + folder_.string() +
                           " (the build needs gcc and musl-gcc)";
            return;
        }
    }
    const ScratchFile empty("");
    const auto probe = run({(folder_ / programFor("glibc")).string(), empty.path().string()});
    if (!probe) {
        unavailable_ = "the resolve program did not run";
    } else if (probe->exitCode == kUnavailable) {
        unavailable_ = "no private mount namespace here: " + probe->err;
    } else if (probe->exitCode != 0) {
        unavailable_ = "the resolve program failed: " + probe->err;
    }
}

std::optional<std::map<std::string, std::string>> Resolvers::resolve(const std::string& library,
                                                                     const std::filesystem::path& hosts,
                                                                     const std::set<std::string>& names) const {
    std::vector<std::string> argv{(folder_ / programFor(library)).string(), hosts.string()};
    argv.insert(argv.end(), names.begin(), names.end());
    const auto output = run(argv);
    if (!output || output->exitCode != 0) return std::nullopt;
    std::map<std::string, std::string> answers;
    std::istringstream lines(output->out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto blank = line.find(' ');
        if (blank != std::string::npos) answers[line.substr(0, blank)] = line.substr(blank + 1);
    }
    if (answers.size() != names.size()) return std::nullopt;
    return answers;
}

std::string Resolvers::disagreements(const std::string& before, const std::string& after, const std::string& name,
                                     const std::string& address) const {
    if (!unavailable_.empty()) return "resolvers unavailable: " + unavailable_;
    std::set<std::string> names = hostsNames(before);
    names.merge(hostsNames(after));
    names.insert(name);
    const ScratchFile beforeFile(before);
    const ScratchFile afterFile(after);
    const std::string expected = address.empty() ? "-" : canonical(address);

    std::ostringstream report;
    for (const auto& library : libraries()) {
        const auto was = resolve(library, beforeFile.path(), names);
        const auto now = resolve(library, afterFile.path(), names);
        if (!was || !now) {
            report << library << ": the resolve program failed\n";
            continue;
        }
        for (const auto& [each, answer] : *now) {
            if (each == name) {
                if (answer != expected) report << library << ": " << each << " gives " << answer << ", not " << expected << "\n";
            } else if (answer != was->at(each)) {
                report << library << ": " << each << " gave " << was->at(each) << ", now " << answer << "\n";
            }
        }
    }
    return report.str();
}

std::set<std::string> hostsNames(const std::string& content) {
    std::set<std::string> names;
    std::string normalized = content;
    for (char& c : normalized)
        if (c == '\r' || c == '\t') c = c == '\r' ? '\n' : ' ';
    std::istringstream lines(normalized);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string address;
        if (!(words >> address) || !(parsesAs(AF_INET, address) || parsesAs(AF_INET6, address))) continue;
        for (std::string word; words >> word;) names.insert(word);
    }
    return names;
}

}  // namespace tavik::robustness
