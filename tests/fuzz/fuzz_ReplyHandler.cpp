// The reply handling fed arbitrary reply bodies through its real code path,
// over in-memory stores and recording fakes. Input: up to eight bodies,
// separated by 0x1E, handled one after the other by one running client.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "HostsInvariants.h"
#include "ReplyHandlerWorld.h"
#include "hosts/HostsEntry.h"
#include "settings/ValueNames.h"

using namespace tavik;
using namespace tavik::fuzz;

namespace {

constexpr std::size_t kMaxReplies = 8;
const std::string kHostsPath = "/fuzz/etc/hosts";

// A hosts file as a client finds it after a start: its own entry, a name that
// contains the server's name, CR LF and CR line ends, an empty line and a
// last line without an end.
const std::string kInitialHosts =
    "# hosts of the fuzz runs\r\n"
    "127.0.0.1    localhost\n"
    "::1 localhost ip6-localhost\n"
    "\n"
    "10.0.0.7    firma-server       # 01.01.2026 10:00 Verbindung von Tavik zum Firmenserver\n"
    "10.0.0.9 firma-server-backup\r"
    "192.168.1.1 router.lan";

// True when `text` ends a field of `body`: it is followed by ";" or by the
// end of the body, less the line end after it. The status field ends in
// "+address+name", so a pair the server named passes with text
// "+address+name".
bool endsAField(const std::string& reply, const std::string& text) {
    const std::string body = reply.substr(0, reply.find_last_not_of("\r\n") + 1);
    for (std::size_t at = body.find(text); at != std::string::npos; at = body.find(text, at + 1)) {
        const std::size_t end = at + text.size();
        if (end == body.size() || body[end] == ';') return true;
    }
    return false;
}

// One running client: the reply handling over fakes, with automatic update
// on and its own entry already in the hosts file.
struct Client : ReplyHandlerWorld {
    Client() : ReplyHandlerWorld(kHostsPath) {
        g.AutoUpdate = "1";
        g.ServerName = "firma-server";
        hostsStore.files[kHostsPath] = kInitialHosts;
        rw.write(section, valueName::ServerName, "firma-server");
        rw.write(section, valueName::ServerIP, "10.0.0.7");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Client client;
    for (const std::string& body : splitParts(data, size, kMaxReplies)) {
        const std::string before = client.hostsStore.files[kHostsPath];
        const std::string nameBefore = client.g.ServerName;
        client.g.AntwortCode = 1;

        bool ended = false;
        try {
            client.handler.handle(body);
        } catch (const ProgramEnded&) {
            ended = true;  // the server ordered the end; nothing after it runs
        }

        const std::string after = client.hostsStore.files[kHostsPath];
        const std::string& nameAfter = client.g.ServerName;
        checkHostsChange(before, after, {nameBefore, nameAfter}, [&](const EntryLine& entry) {
            return entry.name == nameAfter && endsAField(body, "+" + entry.address + "+" + entry.name);
        });
        if (after != before)
            FUZZ_CHECK(linesNaming(after, nameAfter) <= 1, "at most one line of the server's name");
        if (nameAfter != nameBefore)
            FUZZ_CHECK(isValidHostName(nameAfter) && endsAField(body, "+" + nameAfter),
                       "the server name changes only to a sound name from the reply");

        // Start-up writes the hosts entry from these; only sound values may be kept.
        const std::string storedName = client.rw.read(client.section, valueName::ServerName);
        const std::string storedAddress = client.rw.read(client.section, valueName::ServerIP);
        FUZZ_CHECK(storedName.empty() || isValidHostName(storedName), "the stored server name is sound");
        FUZZ_CHECK(storedAddress.empty() || isValidHostsAddress(storedAddress),
                   "the stored server address is sound");
        if (ended) break;
    }
    return 0;
}
