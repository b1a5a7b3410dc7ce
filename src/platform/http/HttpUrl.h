#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// The parts of a plain "http://host[:port]/path?query" address that the
// transfer needs to open a connection and send the request line.
struct HttpUrl {
    std::string host;    // without the brackets of an IPv6 literal
    int port = 80;
    std::string target;  // path and query, already made fit for the request line
};

// Splits an http address; anything that is not plain http with a usable host
// and port gives nothing.
std::optional<HttpUrl> parseHttpUrl(std::string_view url);

// Percent-encodes only what a request line cannot carry (bytes from 0x80,
// control characters, blank, '"', '#', '<', '>', '\', '^', '`', '{', '|', '}',
// and a '%' that does not start an escape); everything else stays as given,
// so "&", "?", "=" and "/" keep their meaning for the server.
std::string encodeRequestTarget(std::string_view target);

}  // namespace tavik
