#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace tavik {

// The comment that marks the line this program keeps in the hosts file.
inline constexpr const char* kHostsMarker = "Verbindung von Tavik zum Firmenserver";
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

// True for a plain host name: ASCII letters, digits, hyphens and dots,
// labels of 1..63 characters, at most 253 characters in all.
bool isValidHostName(std::string_view name);

// The hosts file after writing `serverIp` for `serverName`: the first line
// containing the name is replaced in place (with a time stamp), further
// such lines and all empty lines are dropped, and when no line had the name
// the entry is appended after an empty line. "exit" or an empty address only
// removes. Lines end with LF. Does not check its arguments.
std::string rewriteHosts(const std::string& content, const std::string& serverIp,
                         const std::string& serverName, const LocalDateTime& now);

}  // namespace tavik
