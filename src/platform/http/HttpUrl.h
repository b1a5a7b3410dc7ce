#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavik {

// Redirects from the host asked for that one transfer follows; one more, or
// one to another host or scheme, fails the transfer.
constexpr int kMaxRedirects = 5;

// What the server may send before the body: honest headers take a few
// hundred bytes, and a few thousand fields still fit. More fails the transfer.
constexpr std::uint32_t kHeaderLimit = 1 << 20;

// The answers whose Location the transfer follows.
constexpr bool isRedirectStatus(unsigned status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The parts of an "http://host[:port]/path?query" or "https://..." address
// that the transfer needs to open a connection and send the request line.
struct HttpUrl {
    std::string host;    // without the brackets of an IPv6 literal
    int port = 80;
    std::string target;  // path and query, already made fit for the request line
    bool secure = false; // https: the connection runs through TLS
};

// Splits an http or https address; anything else, or one without a usable
// host and port, gives nothing. The port defaults to 80 or 443.
std::optional<HttpUrl> parseHttpUrl(std::string_view url);

// Percent-encodes only what a request line cannot carry (bytes from 0x80,
// control characters, blank, '"', '#', '<', '>', '\', '^', '`', '{', '|', '}',
// and a '%' that does not start an escape); everything else stays as given,
// so "&", "?", "=" and "/" keep their meaning for the server.
std::string encodeRequestTarget(std::string_view target);

// Where the Location of a redirect answer leads from the address `from`: an
// absolute address, one without scheme ("//host/..."), an absolute or a
// relative path, or a query. Nothing when it changes the scheme (https never
// falls back to http, nor the other way round) or leaves the host and port of
// `from`, or is not usable; its fragment is dropped.
std::optional<HttpUrl> redirectTarget(const HttpUrl& from, std::string_view location);

// The Host field of a request to `url`: the host, bracketed when it is an
// IPv6 literal, and the port unless it is the scheme's own (80 or 443).
std::string hostField(const HttpUrl& url);

}  // namespace tavik
