#pragma once
#include <filesystem>
#include <string>

#include "platform/Clock.h"
#include "platform/HostsFileStore.h"

namespace tavik {

// The marked line for the customer's server in the hosts file.
class HostsFile {
public:
    HostsFile(HostsFileStore& store, const Clock& clock);

    // The path of the hosts file when it can be read, else the empty text.
    std::string SetHost(const std::filesystem::path& hostsFile);
    // Writes `serverIp` for `serverName` (in place or appended), or with
    // "exit" only removes the name's lines. Checks the address and the name
    // first and changes nothing when either is not sound. False when the file
    // could not be read or replaced, so that the caller can try again later;
    // a path or name too short to use and refused input leave nothing to do.
    bool EditHosts(const std::string& host, const std::string& serverIp, const std::string& serverName);
    // False only when the file can be read and its first line for
    // `serverName` (the machine's own loopback lines aside) does not carry
    // `serverIp`: another program removed or changed the line, or put one
    // before it. One read, no write.
    bool holdsEntry(const std::string& host, const std::string& serverIp, const std::string& serverName);

private:
    HostsFileStore& store_;
    const Clock& clock_;
};

}  // namespace tavik
