#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace tavik {

// The comment that marks the line this program keeps in the hosts file.
inline constexpr const char* kHostsMarker = "Verbindung von Tavik zum Firmenserver";
// Server names shorter than this are never written (they are too short to
// be anyone's server).
inline constexpr std::size_t kMinServerNameLength = 3;
// The address that only removes the server's lines.
inline constexpr const char* kHostsRemove = "exit";

// Splits a text into lines ending at CR, LF or CR LF; a last line without an
// end counts, an end at the very end of the text adds no empty line.
std::vector<std::string> splitLines(std::string_view content);

// True for an address the resolver would take as it is: four decimal parts
// 0..255 without leading zeros, or an IPv6 address (with "::" and a trailing
// dotted IPv4 part allowed, no zone). Anything else could smuggle text into
// the hosts file.
bool isValidIPv4(std::string_view text);
bool isValidIPv6(std::string_view text);
bool isValidHostsAddress(std::string_view text);

// True for a name this program may keep a line for. Names real servers use
// pass: "_" and non-ASCII UTF-8 letters included. Refused is what could break
// a hosts line or a resolver (blanks, control characters, "#", "/",
// backslashes, quotes, malformed UTF-8, empty labels, labels over 63 or names
// over 253 bytes) and what no resolver should take from a remote server: the
// loopback names (localhost, *.localhost, ip6-...) and names that read as an
// address (digits and dots only, numeric forms such as 0x7f.1, any ":").
bool isValidHostName(std::string_view name);

// Host names compare as resolvers compare them: ASCII letters without case.
bool sameHostName(std::string_view a, std::string_view b);

// True when one of the line's host-name fields (the words after the
// address, before any "#") is `name`.
bool namesHost(std::string_view line, std::string_view name);

// The address of the first line of `content` that names `name`, or nothing
// when no line does: the address a resolver reading the file gives for it.
// The machine's own loopback lines do not count (see rewriteHosts).
std::optional<std::string> addressOf(std::string_view content, std::string_view name);

// The hosts file after writing `serverIp` for `serverName`. A line belongs
// to the name when one of its host-name fields is the name. The first such
// line is replaced in place (with a time stamp), further ones and all empty
// lines are dropped, and when no line had the name the entry is appended
// after an empty line. A line that also names other hosts loses only the
// name and keeps the rest, so that unrelated names stay. Loopback lines
// (127.0.0.0/8, ::1) without our marker belong to the machine and are never
// changed. "exit" or an empty address only removes. Lines end with LF.
// Does not check its arguments.
std::string rewriteHosts(const std::string& content, const std::string& serverIp,
                         const std::string& serverName, const LocalDateTime& now);

}  // namespace tavik
