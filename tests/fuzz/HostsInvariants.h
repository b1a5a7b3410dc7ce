#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavik::fuzz {

// The line this program writes for the customer's server, taken apart.
struct EntryLine {
    std::string address;
    std::string name;
    bool stamped = false;  // the in-place form with date and time
};

// The parts of `line` when it is exactly an entry line in one of its two
// forms with a sound address and host name; nothing otherwise.
std::optional<EntryLine> parseEntryLine(const std::string& line);

// Aborts unless `after` is what a rewrite of `before` may leave: every
// non-empty line that names none of `managedNames` (as a host-name field,
// without ASCII case), and every loopback line not marked as ours, is still
// there, in its order; every other line is
// empty, an old line of a managed name, such a line with only the managed
// names taken out, or an entry line `isAllowed` accepts; a changed file ends
// with a line end.
void checkHostsChange(const std::string& before, const std::string& after,
                      const std::vector<std::string>& managedNames,
                      const std::function<bool(const EntryLine&)>& isAllowed);

// Number of lines of `content` that name `name` as one of their host names,
// the machine's own loopback lines aside.
std::size_t linesNaming(const std::string& content, const std::string& name);

}  // namespace tavik::fuzz
