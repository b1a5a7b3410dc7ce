#include "hosts/HostsEntry.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// Search helpers that look at many bytes in one step: sixteen with SSE2,
// else eight in a little-endian word; the plain byte loops after them do
// the rest, and all of it on other machines.
constexpr bool kWordSearch = std::endian::native == std::endian::little;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FULL;

std::uint64_t loadWord(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// The high bit of each byte of `word` that equals `byte`, and no other bit.
std::uint64_t bytesEqual(std::uint64_t word, unsigned char byte) {
    const std::uint64_t diff = word ^ (kOnes * byte);
    return ~(((diff & kLowBits) + kLowBits) | diff) & kHighBits;
}

bool isAsciiLetter(char c) { return lowerAscii(c) != c || (c >= 'a' && c <= 'z'); }

// For matching one byte of the name without case: the bits to set in every
// byte before comparing (0x20 folds ASCII capitals onto small letters; other
// bytes then match too often, never too rarely), and the byte to compare with.
struct FoldedByte {
    std::uint64_t fold;
    unsigned char value;
};

FoldedByte foldedByte(char c) {
    if (!isAsciiLetter(c)) return {0, static_cast<unsigned char>(c)};
    return {kOnes * 0x20, static_cast<unsigned char>(lowerAscii(c))};
}

// The first place at or after `from` where `name` (not empty) stands in
// `text`, ASCII letters without case; npos when nowhere. Words are sifted by
// the name's first and last byte; only where both match is the rest compared.
std::size_t findNameFrom(std::string_view text, std::string_view name, std::size_t from) {
    const std::size_t last = name.size() - 1;
    if (text.size() < name.size()) return std::string_view::npos;
    const std::size_t lastStart = text.size() - name.size();  // the last place the name fits
    std::size_t pos = from;
    const FoldedByte first = foldedByte(name.front());
    const FoldedByte end = foldedByte(name.back());
#if defined(__SSE2__)
    {
        const auto byteOf = [](std::uint64_t fold) { return static_cast<char>(fold & 0xFF); };
        const __m128i firstFold = _mm_set1_epi8(byteOf(first.fold));
        const __m128i firstValue = _mm_set1_epi8(static_cast<char>(first.value));
        const __m128i endFold = _mm_set1_epi8(byteOf(end.fold));
        const __m128i endValue = _mm_set1_epi8(static_cast<char>(end.value));
        for (; pos + 16 <= lastStart + 1; pos += 16) {
            const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
            const __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos + last));
            auto hits = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(head, firstFold), firstValue),
                                                _mm_cmpeq_epi8(_mm_or_si128(tail, endFold), endValue))));
            while (hits != 0) {
                const std::size_t at = pos + static_cast<std::size_t>(std::countr_zero(hits));
                if (sameHostName(text.substr(at, name.size()), name)) return at;
                hits &= hits - 1;
            }
        }
    }
#endif
    if constexpr (kWordSearch) {
        // Both words read lie within the text while pos + last + 8 <= size.
        for (; pos + 8 <= lastStart + 1; pos += 8) {
            std::uint64_t hits = bytesEqual(loadWord(text.data() + pos) | first.fold, first.value) &
                                 bytesEqual(loadWord(text.data() + pos + last) | end.fold, end.value);
            while (hits != 0) {
                const std::size_t at = pos + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
                if (sameHostName(text.substr(at, name.size()), name)) return at;
                hits &= hits - 1;
            }
        }
    }
    for (; pos <= lastStart; ++pos)
        if (sameHostName(text.substr(pos, name.size()), name)) return pos;
    return std::string_view::npos;
}

// The first place at or after `from` where the lines of `text` stop being
// plain: a CR, or an LF right after another (an empty line). npos when none.
std::size_t findIrregularLineEnd(std::string_view text, std::size_t from) {
    std::size_t pos = from;
#if defined(__SSE2__)
    {
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        for (; pos + 17 <= text.size(); pos += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + pos + 1));
            const int hits = _mm_movemask_epi8(_mm_or_si128(
                _mm_cmpeq_epi8(here, cr), _mm_and_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(next, lf))));
            if (hits != 0) return pos + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(hits)));
        }
    }
#endif
    if constexpr (kWordSearch) {
        // The second word, one byte further on, pairs each LF with the byte after it.
        for (; pos + 9 <= text.size(); pos += 8) {
            const std::uint64_t word = loadWord(text.data() + pos);
            const std::uint64_t hits = bytesEqual(word, '\r') |
                                       (bytesEqual(word, '\n') & bytesEqual(loadWord(text.data() + pos + 1), '\n'));
            if (hits != 0) return pos + static_cast<std::size_t>(std::countr_zero(hits)) / 8;
        }
    }
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '\r') return pos;
        if (text[pos] == '\n' && pos + 1 < text.size() && text[pos + 1] == '\n') return pos;
    }
    return std::string_view::npos;
}

// Appends the lines of `text` (whole lines) to `out` as the line-by-line
// rewrite leaves a line it does not change: empty lines dropped, every line
// ended by LF. Runs of lines that already look like that are copied at once.
void appendLines(std::string& out, std::string_view text) {
    std::size_t pos = 0;
    while (true) {
        while (pos < text.size() && isLineEnd(text[pos])) ++pos;
        if (pos == text.size()) return;
        const std::size_t stop = std::min(findIrregularLineEnd(text, pos), text.size());
        out.append(text.substr(pos, stop - pos));
        if (out.back() != '\n') out += '\n';
        pos = stop;
    }
}

// False for a name no field of a hosts line can equal (empty, or holding a
// line end, a blank or "#"): no line can then be changed for it.
bool canBeField(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (isLineEnd(c) || kindOf(c) != ByteKind::Other) return false;
    return true;
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
    const auto rewriteLine = [&](std::string_view line) {
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
    };

    // Only a line that holds the name somewhere (without case) can be
    // changed; every other line is copied as it is. So the text is searched
    // for the name once, and the runs of lines between its finds are copied
    // in bulk instead of line by line.
    const std::string_view text(content);
    const bool searchable = canBeField(serverName);
    std::size_t done = 0;  // everything before this is in `out`
    while (searchable && done < text.size()) {
        const std::size_t found = findNameFrom(text, serverName, done);
        if (found == std::string_view::npos) break;
        std::size_t start = found;
        while (start > done && !isLineEnd(text[start - 1])) --start;
        std::size_t end = found + serverName.size();
        while (end < text.size() && !isLineEnd(text[end])) ++end;
        appendLines(out, text.substr(done, start - done));
        rewriteLine(text.substr(start, end - start));
        done = end;
    }
    appendLines(out, text.substr(done));
    if (!handled) out += "\n" + serverIp + "    " + serverName + "       # " + kHostsMarker + "\n";
    return out;
}

}  // namespace tavik
