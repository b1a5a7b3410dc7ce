// EditHosts on arbitrary hosts files, addresses and names.
// Input: address 0x1E name 0x1E hosts file content.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "HostsInvariants.h"
#include "hosts/HostsEntry.h"
#include "hosts/HostsFile.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/MemoryHostsFileStore.h"
#include "text/TextCase.h"

using namespace tavik;
using namespace tavik::fuzz;

namespace {

const std::string kPath = "/fuzz/etc/hosts";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = splitFields(data, size, 3);
    const std::string& address = parts[0];
    const std::string& name = parts[1];
    const std::string& original = parts[2];

    MemoryHostsFileStore store;
    store.files[kPath] = original;
    FakeClock clock;
    HostsFile hosts{store, clock};
    hosts.EditHosts(kPath, address, name);
    const std::string after = store.files[kPath];

    const bool removeOnly = address.empty() || address == kHostsRemove;
    checkHostsChange(original, after, {name}, [&](const EntryLine& entry) {
        return !removeOnly && entry.address == address && entry.name == name;
    });

    if (characterCount(name) < 3 || !isValidHostName(name)) {
        // Names under three characters are never written; unsound ones, loopback
        // names and names that read as an address are refused.
        FUZZ_CHECK(after == original && store.replacements == 0, "an unusable name leaves the file alone");
        return 0;
    }
    if (store.replacements > 0)
        FUZZ_CHECK(store.files[kPath + ".jst"] == original, "the backup holds the file as it was");

    if (removeOnly) {
        FUZZ_CHECK(linesNaming(after, name) == 0, "a removal leaves no line of the name");
    } else if (isValidHostsAddress(address)) {
        FUZZ_CHECK(linesNaming(after, name) == 1, "a write leaves exactly one line of the name");
    } else {
        FUZZ_CHECK(after == original, "an unsound address leaves the file alone");
    }

    // Once written, the file settles: the second edit puts the entry in its
    // dated in-place form, every further one leaves the file as it is.
    hosts.EditHosts(kPath, address, name);
    const std::string second = store.files[kPath];
    hosts.EditHosts(kPath, address, name);
    FUZZ_CHECK(store.files[kPath] == second, "repeating an edit changes nothing more");
    return 0;
}
