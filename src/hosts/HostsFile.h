#pragma once
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/HostsFileStore.h"
#include "platform/PrivilegedHostsEdit.h"

namespace tavik {

// The marked line for the customer's server in the hosts file.
class HostsFile {
public:
    // `saveLog` gets a line whenever an edit fails, and when one goes
    // through with less than it should keep.
    HostsFile(HostsFileStore& store, const Clock& clock, std::function<void(const std::string&)> saveLog = {});

    // `notice` tells the user, once when edits begin to fail and once when
    // one goes through again; the log gets every failure.
    void tellUser(std::function<void(const std::string&)> notice);
    // Where this process may not write the system's hosts file, its edits go
    // through `privileged`; `notice` tells the user, once until the way opens
    // again, that even that way is closed.
    void usePrivilegedEdit(PrivilegedHostsEdit& privileged, std::function<void(const std::string&)> notice);

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
    bool editThroughHelper(const std::string& host, const std::string& serverIp, const std::string& serverName);
    void saveLog(const std::string& line);

    HostsFileStore& store_;
    const Clock& clock_;
    std::function<void(const std::string&)> saveLog_;
    PrivilegedHostsEdit* privileged_ = nullptr;
    std::function<void(const std::string&)> notice_;
    bool helperClosed_ = false;
    bool editsFailing_ = false;  // said so; waiting to say an edit went through
};

}  // namespace tavik
