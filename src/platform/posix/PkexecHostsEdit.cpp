#include "platform/posix/PkexecHostsEdit.h"

#include <unistd.h>

#include <system_error>
#include <utility>
#include <vector>

#include "platform/posix/Spawn.h"

namespace tavik {
namespace {

// pkexec's own exit codes: 126 when the user dismissed the authentication
// or was refused, 127 when it could not ask at all (no polkit daemon, no
// agent).
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;

}  // namespace

PkexecHostsEdit::PkexecHostsEdit(std::filesystem::path programFolder, std::filesystem::path systemHostsFile,
                                 std::filesystem::path pkexec)
    : helper_(std::move(programFolder) / "tavik6-hosts-helper"),
      systemHostsFile_(std::move(systemHostsFile)),
      pkexec_(std::move(pkexec)) {}

bool PkexecHostsEdit::needed(const std::filesystem::path& hostsFile) {
    // The helper edits only the system's hosts file; another file is the
    // user's own choice and stays the user's own business.
    std::error_code ec;
    if (!std::filesystem::equivalent(hostsFile, systemHostsFile_, ec)) return false;
    // A writable file in a folder we may not write is still ours to rewrite
    // in place.
    return ::access(hostsFile.c_str(), W_OK) != 0;
}

PrivilegedHostsEdit::Outcome PkexecHostsEdit::edit(const std::string& serverIp, const std::string& serverName) {
    if (::access(pkexec_.c_str(), X_OK) != 0 || ::access(helper_.c_str(), X_OK) != 0) return Outcome::Unavailable;
    std::vector<std::string> words{pkexec_.string(), helper_.string()};
    if (serverIp.empty()) {
        words.insert(words.end(), {"remove", serverName});
    } else {
        words.insert(words.end(), {"set", serverName, serverIp});
    }
    // pkexec may ask for a password: no time limit, the user answers.
    SpawnOptions options;
    options.quietInput = true;
    const auto outcome = runAndWait(words, options);
    switch (outcome ? outcome->exitCode : -1) {
        case 0: return Outcome::Done;
        case kPkexecDismissed: return Outcome::Denied;
        case kPkexecNotAuthorized:
        case -1: return Outcome::Unavailable;
        default: return Outcome::Failed;
    }
}

}  // namespace tavik
