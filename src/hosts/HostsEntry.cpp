#include "hosts/HostsEntry.h"

#include <cstddef>

#include "text/DateFormat.h"

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

bool isNameCharacter(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
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
    for (const char c : name) {
        if (c == '.') {
            if (labelLength == 0) return false;
            labelLength = 0;
            continue;
        }
        if (!isNameCharacter(c) || ++labelLength > 63) return false;
    }
    return labelLength > 0;
}

std::string rewriteHosts(const std::string& content, const std::string& serverIp,
                         const std::string& serverName, const LocalDateTime& now) {
    const bool writeEntry = !serverIp.empty() && serverIp != kHostsRemove;
    // With nothing to write, the first line of the name is dropped like the rest.
    bool handled = !writeEntry;
    std::string out;
    out.reserve(content.size() + serverIp.size() + serverName.size() + 80);
    forEachLine(content, [&](std::string_view line) {
        if (line.find(serverName) != std::string_view::npos) {
            if (!handled) {
                out += serverIp + "    " + serverName + "       # " + formatHostsStamp(now) + " " + kHostsMarker + "\n";
                handled = true;
            }
            return;
        }
        if (line.empty()) return;
        out.append(line);
        out += '\n';
    });
    if (!handled) out += "\n" + serverIp + "    " + serverName + "       # " + kHostsMarker + "\n";
    return out;
}

}  // namespace tavik
