// tavik6-hosts-helper: the one thing a desktop user's Tavik6 needs root for,
// changing its own line in /etc/hosts, run through polkit's pkexec. It takes
// nothing from the caller but the command words, checks them as the client
// does, and edits with the client's own code.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "HostsHelperCommand.h"
#include "hosts/HostsEntry.h"
#include "hosts/HostsFile.h"
#include "platform/PlatformFacts.h"
#include "platform/posix/PosixHostsFileStore.h"
#include "platform/posix/SystemClock.h"

namespace {

// Through pkexec the environment is the caller's no more, but the file is
// never the caller's choice there anyway; run directly (by root, or in the
// tests) TAVIK_HOSTS_FILE names another file, as it does for the client.
std::string hostsFile() {
    const char* chosen = std::getenv("TAVIK_HOSTS_FILE");
    if (std::getenv("PKEXEC_UID") == nullptr && chosen != nullptr && *chosen != '\0') return chosen;
    return tavik::kSystemHostsFile;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto command = tavik::parseHostsHelperCommand(words);
    if (!command) {
        std::cerr << "tavik6-hosts-helper: Befehlszeile nicht verstanden oder Name/Adresse ungültig.\n"
                     "Aufruf: tavik6-hosts-helper set NAME ADRESSE | remove NAME\n";
        return 2;
    }
    tavik::PosixHostsFileStore store;
    tavik::SystemClock clock;
    tavik::HostsFile hosts(store, clock);
    const std::string file = hostsFile();
    const std::string address = command->serverIp.empty() ? tavik::kHostsRemove : command->serverIp;
    if (!hosts.EditHosts(file, address, command->serverName)) {
        std::cerr << "tavik6-hosts-helper: Die Hosts-Datei " << file << " konnte nicht geändert werden.\n";
        return 1;
    }
    return 0;
}
