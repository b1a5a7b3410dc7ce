#include "HostsInvariants.h"

#include <set>

#include "FuzzInput.h"
#include "hosts/HostsEntry.h"

namespace tavik::fuzz {
namespace {

constexpr const char* kAddressGap = "    ";
constexpr const char* kCommentGap = "       # ";

// "dd.mm.yyyy HH:MM", checked by shape only: the clock of the runs is fixed.
bool isStamp(const std::string& text) {
    const std::string shape = "00.00.0000 00:00";
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool wantDigit = shape[i] == '0';
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (wantDigit ? !isDigit : text[i] != shape[i]) return false;
    }
    return true;
}

bool containsAny(const std::string& line, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (!name.empty() && line.find(name) != std::string::npos) return true;
    return false;
}

}  // namespace

std::optional<EntryLine> parseEntryLine(const std::string& line) {
    const std::size_t gap = line.find(kAddressGap);
    if (gap == std::string::npos) return std::nullopt;
    const std::size_t nameStart = gap + 4;
    const std::size_t comment = line.find(kCommentGap, nameStart);
    if (comment == std::string::npos) return std::nullopt;

    EntryLine entry{line.substr(0, gap), line.substr(nameStart, comment - nameStart), false};
    if (!isValidHostsAddress(entry.address) || !isValidHostName(entry.name)) return std::nullopt;

    std::string tail = line.substr(comment + 9);
    const std::string marker = kHostsMarker;
    if (tail.size() == 17 + marker.size() && isStamp(tail.substr(0, 16)) && tail[16] == ' ') {
        entry.stamped = true;
        tail.erase(0, 17);
    }
    if (tail != marker) return std::nullopt;
    return entry;
}

void checkHostsChange(const std::string& before, const std::string& after,
                      const std::vector<std::string>& managedNames,
                      const std::function<bool(const EntryLine&)>& isAllowed) {
    if (after == before) return;
    FUZZ_CHECK(after.empty() || after.back() == '\n', "a rewritten hosts file ends with a line end");

    std::vector<std::string> mustStay;
    std::multiset<std::string> mayStay;  // lines of a managed name the rewrite did not touch
    for (const std::string& line : splitLines(before)) {
        if (line.empty()) continue;
        if (containsAny(line, managedNames))
            mayStay.insert(line);
        else
            mustStay.push_back(line);
    }

    // The kept lines must come back in their order; whatever lies between
    // them is an old line of a managed name or an allowed new entry.
    std::size_t next = 0;
    for (const std::string& line : splitLines(after)) {
        if (next < mustStay.size() && line == mustStay[next]) {
            ++next;
            continue;
        }
        if (line.empty()) continue;
        if (const auto old = mayStay.find(line); old != mayStay.end()) {
            mayStay.erase(old);
            continue;
        }
        const std::optional<EntryLine> entry = parseEntryLine(line);
        FUZZ_CHECK(entry.has_value(), "every new line is a well-formed entry line");
        FUZZ_CHECK(isAllowed(*entry), "every new entry carries an address and name that were asked for");
    }
    FUZZ_CHECK(next == mustStay.size(), "no line without the managed name is lost or reordered");
}

std::size_t linesContaining(const std::string& content, const std::string& name) {
    std::size_t count = 0;
    for (const std::string& line : splitLines(content))
        if (line.find(name) != std::string::npos) ++count;
    return count;
}

}  // namespace tavik::fuzz
