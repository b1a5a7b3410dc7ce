#include "hosts/HostsFile.h"

#include "hosts/HostsEntry.h"
#include "text/TextCase.h"

namespace tavik {
namespace {

// Another program may change the file between our read and our replace; we
// then start over on its new content, but not forever.
constexpr int kMaxAttempts = 5;

bool isSoundRequest(const std::string& serverIp, const std::string& serverName) {
    if (!isValidHostName(serverName)) return false;
    return serverIp.empty() || serverIp == kHostsRemove || isValidHostsAddress(serverIp);
}

}  // namespace

HostsFile::HostsFile(HostsFileStore& store, const Clock& clock) : store_(store), clock_(clock) {}

std::string HostsFile::SetHost(const std::filesystem::path& hostsFile) {
    try {
        if (store_.read(hostsFile)) return hostsFile.string();
    } catch (...) {
    }
    return {};
}

bool HostsFile::EditHosts(const std::string& host, const std::string& serverIp, const std::string& serverName) {
    if (characterCount(host) < 5 || characterCount(serverName) < 3) return true;
    if (!isSoundRequest(serverIp, serverName)) return true;
    try {
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            const std::optional<std::string> current = store_.read(host);
            if (!current) return false;
            // Rewritten even when nothing changes, so that ".jst" always holds
            // the file as it was before the last edit.
            const std::string updated = rewriteHosts(*current, serverIp, serverName, clock_.now());
            const ReplaceResult result = store_.replace(host, *current, updated);
            if (result != ReplaceResult::Changed) return result == ReplaceResult::Replaced;
        }
    } catch (...) {
        // Out of memory on a huge file: the file stays as it was.
    }
    return false;
}

bool HostsFile::holdsEntry(const std::string& host, const std::string& serverIp, const std::string& serverName) {
    if (characterCount(host) < 5 || characterCount(serverName) < 3) return true;
    if (!isValidHostName(serverName) || !isValidHostsAddress(serverIp)) return true;
    try {
        const std::optional<std::string> current = store_.read(host);
        // A file we cannot read now we could not restore either.
        return !current || addressOf(*current, serverName) == serverIp;
    } catch (...) {
        return true;
    }
}

}  // namespace tavik
