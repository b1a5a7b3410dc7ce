#include "HostsHelperCommand.h"

#include "hosts/HostsEntry.h"

namespace tavik {

std::optional<HostsHelperCommand> parseHostsHelperCommand(const std::vector<std::string>& words) {
    if (words.size() == 3 && words[0] == "set" && isValidHostName(words[1]) && isValidHostsAddress(words[2])) {
        return HostsHelperCommand{words[1], words[2]};
    }
    if (words.size() == 2 && words[0] == "remove" && isValidHostName(words[1])) {
        return HostsHelperCommand{words[1], ""};
    }
    return std::nullopt;
}

}  // namespace tavik
