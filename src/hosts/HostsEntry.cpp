#include "hosts/HostsEntry.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

#include "text/DateFormat.h"
#include "text/Utf8.h"

namespace tavik {
namespace {

// Calls `take` with each line of `content`; lines end at CR, LF or CR LF.
// The next CR and the next LF are each looked for with one forward search
// that is kept until passed, so a file without CR is scanned only once.
template <typename Take>
void forEachLine(std::string_view content, Take take) {
    constexpr std::size_t npos = std::string_view::npos;
    std::size_t nextCr = content.find('\r');
    std::size_t nextLf = content.find('\n');
    std::size_t start = 0;
    while (start < content.size()) {
        if (nextCr != npos && nextCr < start) nextCr = content.find('\r', start);
        if (nextLf != npos && nextLf < start) nextLf = content.find('\n', start);
        const std::size_t end = nextCr < nextLf ? nextCr : nextLf;
        if (end == npos) {
            take(content.substr(start));
            return;
        }
        take(content.substr(start, end - start));
        start = end + 1;
        if (content[end] == '\r' && start < content.size() && content[start] == '\n') ++start;
    }
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// How a resolver reads each byte of a hosts line: the blanks that separate
// fields, the "#" that ends them, and everything else. A table, because
// every byte of the file passes through here.
enum class ByteKind : unsigned char { Other, Separator, Comment };

constexpr std::array<ByteKind, 256> kByteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    for (const char c : {' ', '\t', '\v', '\f', '\r'}) kinds[static_cast<unsigned char>(c)] = ByteKind::Separator;
    kinds['#'] = ByteKind::Comment;
    return kinds;
}();

ByteKind kindOf(char c) { return kByteKinds[static_cast<unsigned char>(c)]; }

bool isFieldSeparator(char c) { return kindOf(c) == ByteKind::Separator; }

// Splits a hosts line as a resolver does: the fields before any "#" are the
// address and then the host names. Returns the address (empty for a line
// without fields) and calls `takeName` with the start and length of each
// name. Every reader of hosts lines goes through here, so they all agree on
// where a field ends.
template <typename TakeName>
std::string_view splitHostsLine(std::string_view line, TakeName takeName) {
    std::string_view address;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const ByteKind kind = kindOf(line[pos]);
        if (kind == ByteKind::Comment) break;
        if (kind == ByteKind::Separator) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < line.size() && kindOf(line[pos]) == ByteKind::Other) ++pos;
        if (address.empty())
            address = line.substr(start, pos - start);
        else
            takeName(start, pos - start);
    }
    return address;
}

// Characters outside ASCII that a name must not hold: the C1 controls, line
// and paragraph separators, blanks other than the ASCII one, and the
// invisible marks that change how a text is shown.
bool isHiddenCharacter(char32_t point) {
    return point <= 0x9F || point == 0xA0 || point == 0x1680 || (point >= 0x2000 && point <= 0x200F) ||
           (point >= 0x2028 && point <= 0x202F) || point == 0x205F || (point >= 0x2066 && point <= 0x2069) ||
           point == 0x3000 || point == 0xFEFF;
}

// ASCII characters that cannot stand in a name: they end a field or the
// line, start a comment, or mean something to a path or a shell.
bool isRefusedAscii(char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '#' || c == '/' || c == '\\' ||
           c == '"' || c == '\'' || c == '`' || c == ':';
}

// Names the machine keeps for itself; a remote server must not take them over.
bool isLoopbackName(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = lowerAscii(c);
    for (const char* own : {"localhost", "localhost4", "localhost6", "localhost.localdomain",
                            "localhost4.localdomain4", "localhost6.localdomain6"}) {
        if (lower == own) return true;
    }
    return lower.ends_with(".localhost") || lower.starts_with("ip6-");
}

// 127.0.0.0/8 and ::1 in any of its spellings.
bool isLoopbackAddress(std::string_view address) {
    if (isValidIPv4(address)) return address.starts_with("127.");
    if (!isValidIPv6(address)) return false;
    const std::size_t last = address.rfind(':');
    const std::string_view head = address.substr(0, last);
    const std::string_view group = address.substr(last + 1);
    const std::size_t digit = group.find_first_not_of('0');
    return head.find_first_not_of("0:") == std::string_view::npos && digit != std::string_view::npos &&
           group.substr(digit) == "1";
}

// A loopback line that is not ours: the machine's own names (its host name
// on 127.0.1.1, localhost and friends). It is never taken over or shortened,
// whatever name a server sends.
bool isMachineLine(std::string_view line, std::string_view address) {
    return isLoopbackAddress(address) && line.find(kHostsMarker) == std::string_view::npos;
}

// A number part of an address in the forms resolvers read: decimal, octal
// with a leading 0, or hexadecimal with 0x.
bool isNumberPart(std::string_view part) {
    if (part.empty()) return false;
    if (part.size() >= 2 && part[0] == '0' && lowerAscii(part[1]) == 'x') {
        for (const char c : part.substr(2))
            if (hexValue(c) < 0) return false;
        return true;
    }
    for (const char c : part)
        if (!isDigit(c)) return false;
    return true;
}

// True for a name a resolver would read as an address rather than look up.
bool readsAsAddress(std::string_view name) {
    if (name.find_first_not_of("0123456789.") == std::string_view::npos) return true;
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        if (!isNumberPart(name.substr(start, dot - start)) || ++parts > 4) return false;
        if (dot == std::string_view::npos) return true;
        start = dot + 1;
    }
}

}  // namespace

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    forEachLine(content, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

bool isValidIPv4(std::string_view text) {
    int parts = 0;
    std::size_t pos = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            // "010" would be read as octal by some resolvers; refuse it.
            if (digits == 1 && value == 0) return false;
            value = value * 10 + (text[pos] - '0');
            if (value > 255) return false;
            ++digits;
            ++pos;
        }
        if (digits == 0) return false;
        if (++parts == 4) return pos == text.size();
        if (pos >= text.size() || text[pos] != '.') return false;
        ++pos;
    }
}

bool isValidIPv6(std::string_view text) {
    // Counted in 16-bit groups; a trailing IPv4 part stands for two.
    int groups = 0;
    bool compressed = false;
    std::size_t pos = 0;
    if (text.empty()) return false;
    if (text[0] == ':') {
        if (text.size() < 2 || text[1] != ':') return false;
        pos = 1;
    }
    std::size_t tokenStart = pos;
    std::size_t digits = 0;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (hexValue(c) >= 0) {
            if (++digits > 4) return false;
            continue;
        }
        if (c == ':') {
            tokenStart = pos;
            if (digits == 0) {
                if (compressed) return false;
                compressed = true;
                continue;
            }
            if (pos == text.size()) return false;  // a single trailing colon
            if (++groups > 8) return false;
            digits = 0;
            continue;
        }
        if (c == '.' && groups + 2 <= 8 && isValidIPv4(text.substr(tokenStart))) {
            groups += 2;
            digits = 0;
            pos = text.size();
            break;
        }
        return false;
    }
    if (digits > 0 && ++groups > 8) return false;
    if (compressed) return groups < 8;  // "::" stands for at least one group
    return groups == 8;
}

bool isValidHostsAddress(std::string_view text) { return isValidIPv4(text) || isValidIPv6(text); }

bool isValidHostName(std::string_view name) {
    if (name.empty() || name.size() > 253) return false;
    std::size_t labelLength = 0;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] == '.') {
            if (labelLength == 0) return false;
            labelLength = 0;
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (static_cast<unsigned char>(name[i]) < 0x80) {
            if (isRefusedAscii(name[i])) return false;
        } else {
            const std::optional<char32_t> point = decodeUtf8(name.substr(i), length);
            if (!point || isHiddenCharacter(*point)) return false;
        }
        labelLength += length;
        if (labelLength > 63) return false;
        i += length;
    }
    return labelLength > 0 && !isLoopbackName(name) && !readsAsAddress(name);
}

bool sameHostName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

bool namesHost(std::string_view line, std::string_view name) {
    bool found = false;
    splitHostsLine(line, [&](std::size_t start, std::size_t length) {
        if (!found && sameHostName(line.substr(start, length), name)) found = true;
    });
    return found;
}

std::optional<std::string> addressOf(std::string_view content, std::string_view name) {
    std::optional<std::string> address;
    forEachLine(content, [&](std::string_view line) {
        if (address) return;
        bool named = false;
        const std::string_view first = splitHostsLine(line, [&](std::size_t start, std::size_t length) {
            if (!named && sameHostName(line.substr(start, length), name)) named = true;
        });
        if (named && !isMachineLine(line, first)) address = std::string(first);
    });
    return address;
}

std::string rewriteHosts(const std::string& content, const std::string& serverIp,
                         const std::string& serverName, const LocalDateTime& now) {
    const bool writeEntry = !serverIp.empty() && serverIp != kHostsRemove;
    // With nothing to write, the first line of the name is dropped like the rest.
    bool handled = !writeEntry;
    std::string out;
    out.reserve(content.size() + serverIp.size() + serverName.size() + 80);
    struct Field {
        std::size_t start;
        std::size_t length;
    };
    std::vector<Field> ours;  // the fields of a line that hold the name
    forEachLine(content, [&](std::string_view line) {
        ours.clear();
        std::size_t names = 0;
        const std::string_view address = splitHostsLine(line, [&](std::size_t start, std::size_t length) {
            ++names;
            if (sameHostName(line.substr(start, length), serverName)) ours.push_back({start, length});
        });
        if (ours.empty() || isMachineLine(line, address)) {
            if (line.empty()) return;
            out.append(line);
            out += '\n';
            return;
        }
        if (!handled) {
            out += serverIp + "    " + serverName + "       # " + formatHostsStamp(now) + " " + kHostsMarker + "\n";
            handled = true;
        }
        // A line that names only our server goes; a line that also names
        // other hosts loses our name, each time with the blanks before it,
        // and keeps the rest as it was.
        if (ours.size() == names) return;
        std::size_t copied = 0;
        for (const Field& field : ours) {
            std::size_t cut = field.start;
            while (cut > copied && isFieldSeparator(line[cut - 1])) --cut;
            out.append(line.substr(copied, cut - copied));
            copied = field.start + field.length;
        }
        out.append(line.substr(copied));
        out += '\n';
    });
    if (!handled) out += "\n" + serverIp + "    " + serverName + "       # " + kHostsMarker + "\n";
    return out;
}

}  // namespace tavik
