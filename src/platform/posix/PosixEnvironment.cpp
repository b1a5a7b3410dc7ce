#include "platform/posix/PosixEnvironment.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/PlatformFacts.h"
#include "platform/posix/CommandLine.h"
#include "platform/posix/JournalStream.h"
#include "platform/posix/ReadFile.h"
#include "platform/posix/SqliteRegistry.h"

namespace tavik {
namespace {

// The package whose file list names the program file.
constexpr const char* kPackageName = "tavik6";
// The folder name below the XDG folders and under /var.
constexpr const char* kDataFolderName = "tavik6";

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::filesystem::path runningProgramFile(const char* argv0) {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::filesystem::absolute(argv0 ? argv0 : ".", error);
    // A program file replaced while it runs (a package upgrade) shows as
    // "… (deleted)"; the name is what a restart has to start.
    static constexpr std::string_view kDeleted = " (deleted)";
    std::string name = exe.string();
    if (name.size() > kDeleted.size() && name.compare(name.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        name.resize(name.size() - kDeleted.size());
    return name;
}

bool mayWrite(const std::filesystem::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

// The first folder of a variable a service manager fills (it may list several,
// separated by ':'); only an absolute path counts.
std::filesystem::path serviceFolder(const PosixEnvironment::Variable& variable, const char* name) {
    const char* value = variable(name);
    if (!value) return {};
    std::string first(value);
    first = first.substr(0, first.find(':'));
    return !first.empty() && first.front() == '/' ? std::filesystem::path(first) : std::filesystem::path();
}

// $XDG_..._HOME when it is an absolute path, else the home folder with `fallback`.
std::filesystem::path xdgFolder(const PosixEnvironment::Variable& variable, const char* name, const char* fallback) {
    const char* value = variable(name);
    if (value && value[0] == '/') return std::filesystem::path(value) / kDataFolderName;
    std::string home;
    if (const char* fromEnvironment = variable("HOME"); fromEnvironment && fromEnvironment[0] == '/') {
        home = fromEnvironment;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    if (home.empty()) return {};
    return std::filesystem::path(home) / fallback / kDataFolderName;
}

}  // namespace

PosixEnvironment::PosixEnvironment(int argc, char** argv)
    : programFile_(runningProgramFile(argc > 0 ? argv[0] : nullptr)), arguments_(argv, argv + argc) {}

std::string PosixEnvironment::commandLine() const {
    if (arguments_.empty()) return joinArguments({});
    return joinArguments(std::vector<std::string>(arguments_.begin() + 1, arguments_.end()));
}

const VariableDataPlaces& PosixEnvironment::places() const {
    if (!places_)
        places_ = choosePlaces(programFile_, [](const char* name) { return std::getenv(name); }, ::geteuid() == 0);
    return *places_;
}

bool PosixEnvironment::packageManaged(const std::filesystem::path& programFile) {
    // dpkg may have installed into another root (dpkg --root): its database
    // then lies in that root, and lists the file relative to it. So every
    // folder above the program is tried as the root, nearest first.
    const std::string listName = std::string(kPackageName) + ".list";
    std::error_code error;
    for (auto root = programFile.parent_path(); !root.empty(); root = root.parent_path()) {
        const auto list = root / "var/lib/dpkg/info" / listName;
        if (std::filesystem::is_regular_file(list, error)) {
            const std::string text = readWholeFile(list);
            for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
                end = std::min(text.find('\n', start), text.size());
                const std::string line = text.substr(start, end - start);
                if (line.empty() || line.front() != '/') continue;
                const std::filesystem::path listed(line);
                if (listed.filename() != programFile.filename()) continue;
                // The same file, also when a folder on the way is a link.
                if (std::filesystem::equivalent(root / listed.relative_path(), programFile, error)) return true;
            }
        }
        if (root == root.root_path()) break;
    }
    return false;
}

VariableDataPlaces PosixEnvironment::choosePlaces(const std::filesystem::path& programFile,
                                                  const Variable& variable, bool root) {
    const auto folder = programFile.parent_path();
    VariableDataPlaces places{ProgramInstall::SelfManaged, folder, folder};
    if (packageManaged(programFile)) {
        places.install = ProgramInstall::PackageManaged;
    } else if (!mayWrite(folder)) {
        places.install = ProgramInstall::NotWritable;
    } else {
        return places;
    }

    places.logFolder = serviceFolder(variable, "LOGS_DIRECTORY");
    places.updatesParent = serviceFolder(variable, "STATE_DIRECTORY");
    if (places.logFolder.empty())
        places.logFolder = root ? std::filesystem::path("/var/log") / kDataFolderName
                                : xdgFolder(variable, "XDG_STATE_HOME", ".local/state");
    if (places.updatesParent.empty())
        places.updatesParent = root ? std::filesystem::path("/var/lib") / kDataFolderName
                                    : xdgFolder(variable, "XDG_CACHE_HOME", ".cache");
    // Without any home the program folder is all there is; the log then says
    // at start that it cannot be written.
    if (places.logFolder.empty()) places.logFolder = folder;
    if (places.updatesParent.empty()) places.updatesParent = folder;
    return places;
}

bool PosixEnvironment::restartInPlace() {
    std::vector<char*> argv;
    for (auto& argument : arguments_) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // What waits in the buffers would be lost with the old process image.
    std::fflush(nullptr);
    ::execv(programFile_.c_str(), argv.data());
    return false;
}

std::string PosixEnvironment::serviceHost() const {
    return environmentOr("TAVIK_SERVICE_HOST", TAVIK_DEFAULT_SERVICE_HOST);
}

std::string PosixEnvironment::updateHost() const {
    return environmentOr("TAVIK_UPDATE_HOST", TAVIK_DEFAULT_UPDATE_HOST);
}

std::filesystem::path PosixEnvironment::hostsFile() const { return environmentOr("TAVIK_HOSTS_FILE", kSystemHostsFile); }

ProfileClaim PosixEnvironment::claimProfile(const std::string& profile) {
    return profileLock_.claim(SqliteRegistry::defaultPath(), profile);
}

void PosixEnvironment::reportError(const std::string& text, Severity severity) const {
    sayOnStandardError("Tavik6: " + text + "\n", severity);
}

}  // namespace tavik
