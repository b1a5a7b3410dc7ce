#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tavik {

// What a desktop user's client may ask the privileged helper to do: put its
// server's name on an address, or take the name out again. Nothing else, and
// always in the system's hosts file.
struct HostsHelperCommand {
    std::string serverName;
    std::string serverIp;  // empty: remove the name's lines
};

// "set NAME ADDRESS" or "remove NAME"; nothing for any other command line or
// for a name or address the hosts file must not take.
std::optional<HostsHelperCommand> parseHostsHelperCommand(const std::vector<std::string>& words);

}  // namespace tavik
