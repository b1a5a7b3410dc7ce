#include "platform/posix/PosixEnvironment.h"

#include <cstdlib>
#include <system_error>

#include "platform/posix/SqliteRegistry.h"

namespace tavik {
namespace {

std::string environmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::filesystem::path runningProgramFolder(const char* argv0) {
    std::error_code error;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) exe = std::filesystem::absolute(argv0 ? argv0 : ".", error);
    return exe.parent_path();
}

}  // namespace

PosixEnvironment::PosixEnvironment(int argc, char** argv)
    : folder_(runningProgramFolder(argc > 0 ? argv[0] : nullptr)),
      commandLine_(joinArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc))) {}

std::string PosixEnvironment::joinArguments(const std::vector<std::string>& words) {
    std::string line;
    for (const auto& word : words) {
        if (!line.empty()) line += ' ';
        line += word;
    }
    return line;
}

std::string PosixEnvironment::serviceHost() const {
    return environmentOr("TAVIK_SERVICE_HOST", TAVIK_DEFAULT_SERVICE_HOST);
}

std::string PosixEnvironment::updateHost() const {
    return environmentOr("TAVIK_UPDATE_HOST", TAVIK_DEFAULT_UPDATE_HOST);
}

std::filesystem::path PosixEnvironment::hostsFile() const { return environmentOr("TAVIK_HOSTS_FILE", "/etc/hosts"); }

ProfileClaim PosixEnvironment::claimProfile(const std::string& profile) {
    return profileLock_.claim(SqliteRegistry::defaultPath(), profile);
}

}  // namespace tavik
