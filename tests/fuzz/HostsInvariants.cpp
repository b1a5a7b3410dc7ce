#include "HostsInvariants.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
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

// A hosts line as a resolver reads it: the fields before any "#" (the
// address first), and the comment from the "#" on. Written here again, apart
// from the code under test, so that both cannot share a fault.
struct HostsLine {
    std::vector<std::string> fields;
    std::string comment;
};

HostsLine parseHostsLine(const std::string& line) {
    HostsLine parsed;
    const std::size_t hash = line.find('#');
    if (hash != std::string::npos) parsed.comment = line.substr(hash);
    std::string field;
    for (const char c : line.substr(0, hash)) {
        if (c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r') {
            if (!field.empty()) parsed.fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty()) parsed.fields.push_back(field);
    return parsed;
}

bool sameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

bool isManaged(const std::string& field, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (!name.empty() && sameIgnoringAsciiCase(field, name)) return true;
    return false;
}

// A loopback line without our marker: the machine's own, never to change.
// The address is read as the resolver reads it.
bool isMachineLine(const std::string& line, const HostsLine& parsed) {
    if (parsed.fields.empty() || line.find(kHostsMarker) != std::string::npos) return false;
    if (parsed.fields[0].find('\0') != std::string::npos) return false;  // no address, whatever it starts with
    in_addr v4{};
    in6_addr v6{};
    const char* address = parsed.fields[0].c_str();
    if (::inet_pton(AF_INET, address, &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    return ::inet_pton(AF_INET6, address, &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

bool namesAny(const std::string& line, const std::vector<std::string>& names) {
    const HostsLine parsed = parseHostsLine(line);
    if (isMachineLine(line, parsed)) return false;
    for (std::size_t i = 1; i < parsed.fields.size(); ++i)
        if (isManaged(parsed.fields[i], names)) return true;
    return false;
}

// True when `after` is `before` with the managed names taken out and at
// least one other name left: address, other names and comment unchanged.
bool isReducedLine(const std::string& before, const std::string& after, const std::vector<std::string>& names) {
    const HostsLine old = parseHostsLine(before);
    HostsLine expected{{}, old.comment};
    for (std::size_t i = 0; i < old.fields.size(); ++i)
        if (i == 0 || !isManaged(old.fields[i], names)) expected.fields.push_back(old.fields[i]);
    if (expected.fields.size() < 2) return false;
    const HostsLine now = parseHostsLine(after);
    return now.fields == expected.fields && now.comment == expected.comment;
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
    std::multiset<std::string> mayStay;  // lines of a managed name, as they were
    for (const std::string& line : splitLines(before)) {
        if (line.empty()) continue;
        if (namesAny(line, managedNames))
            mayStay.insert(line);
        else
            mustStay.push_back(line);
    }

    // The kept lines must come back in their order; whatever lies between
    // them is an old line of a managed name, such a line without the managed
    // names, or an allowed new entry.
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
        const auto reduced = std::find_if(mayStay.begin(), mayStay.end(), [&](const std::string& old) {
            return isReducedLine(old, line, managedNames);
        });
        if (reduced != mayStay.end()) {
            mayStay.erase(reduced);
            continue;
        }
        const std::optional<EntryLine> entry = parseEntryLine(line);
        FUZZ_CHECK(entry.has_value(), "every new line is a well-formed entry line");
        FUZZ_CHECK(isAllowed(*entry), "every new entry carries an address and name that were asked for");
    }
    FUZZ_CHECK(next == mustStay.size(), "no line that names no managed host is lost or reordered");
}

std::size_t linesNaming(const std::string& content, const std::string& name) {
    std::size_t count = 0;
    for (const std::string& line : splitLines(content))
        if (namesAny(line, {name})) ++count;
    return count;
}

}  // namespace tavik::fuzz
