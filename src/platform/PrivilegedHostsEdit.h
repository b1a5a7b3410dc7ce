#pragma once
#include <filesystem>
#include <string>

namespace tavik {

// The way a client that may not write the hosts file itself still gets its
// line changed: a privileged helper makes exactly this edit (the name on an
// address, or the name removed) in the system's hosts file.
class PrivilegedHostsEdit {
public:
    enum class Outcome {
        Done,         // the helper made the edit
        Failed,       // the helper ran but could not change the file
        Denied,       // the user or the system's policy refused the helper
        Unavailable   // there is no way to run the helper here
    };

    virtual ~PrivilegedHostsEdit() = default;
    // True when `hostsFile` is the system's hosts file and this process
    // cannot write it, so that only the helper can make the edit.
    virtual bool needed(const std::filesystem::path& hostsFile) = 0;
    // `serverIp` empty: remove the name's lines.
    virtual Outcome edit(const std::string& serverIp, const std::string& serverName) = 0;
};

}  // namespace tavik
