#include "platform/http/HttpUrl.h"

#include <charconv>

namespace tavik {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool needsEscape(unsigned char c) {
    if (c < 0x20 || c >= 0x7f) return true;
    switch (c) {
    case ' ': case '"': case '#': case '<': case '>': case '\\':
    case '^': case '`': case '{': case '|': case '}':
        return true;
    default:
        return false;
    }
}

bool isHostNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '.' || c == '-' || c == '_';
}

bool isIpv6LiteralChar(char c) {
    return isHexDigit(c) || c == ':' || c == '.';
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::optional<int> parsePort(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

}  // namespace

std::string encodeRequestTarget(std::string_view target) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(target.size());
    for (std::size_t i = 0; i < target.size(); ++i) {
        const auto c = static_cast<unsigned char>(target[i]);
        const bool strayPercent = c == '%' && !(i + 2 < target.size() &&
                                                isHexDigit(target[i + 1]) &&
                                                isHexDigit(target[i + 2]));
        if (needsEscape(c) || strayPercent) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0f];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::optional<HttpUrl> parseHttpUrl(std::string_view url) {
    constexpr std::string_view kPlain = "http://";
    constexpr std::string_view kSecure = "https://";
    HttpUrl result;
    std::string_view rest;
    if (url.size() >= kPlain.size() && equalsNoCase(url.substr(0, kPlain.size()), kPlain)) {
        rest = url.substr(kPlain.size());
    } else if (url.size() >= kSecure.size() && equalsNoCase(url.substr(0, kSecure.size()), kSecure)) {
        rest = url.substr(kSecure.size());
        result.secure = true;
        result.port = 443;
    } else {
        return std::nullopt;
    }

    // The authority ends where the path or the query begins; a '#' there is
    // part of what the caller wants sent, not a fragment.
    const auto authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    std::string_view target =
        authorityEnd == std::string_view::npos ? std::string_view{} : rest.substr(authorityEnd);

    std::string_view portText;
    bool hasPort = false;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return std::nullopt;
        std::string_view literal = authority.substr(1, close - 1);
        for (char c : literal)
            if (!isIpv6LiteralChar(c)) return std::nullopt;
        result.host = std::string(literal);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return std::nullopt;
            hasPort = true;
            portText = after.substr(1);
        }
    } else {
        const auto colon = authority.find(':');
        std::string_view host = authority.substr(0, colon);
        if (colon != std::string_view::npos) {
            hasPort = true;
            portText = authority.substr(colon + 1);
        }
        if (host.empty()) return std::nullopt;
        for (char c : host)
            if (!isHostNameChar(c)) return std::nullopt;
        result.host = std::string(host);
    }
    if (hasPort) {
        auto port = parsePort(portText);
        if (!port) return std::nullopt;
        result.port = *port;
    }

    std::string fullTarget(target);
    if (fullTarget.empty() || fullTarget.front() != '/') fullTarget.insert(0, "/");
    result.target = encodeRequestTarget(fullTarget);
    return result;
}

namespace {

bool hasScheme(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!isAlpha(text[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<HttpUrl> redirectTarget(const HttpUrl& from, std::string_view location) {
    location = trimBlanks(location);
    if (const auto hash = location.find('#'); hash != std::string_view::npos) location = location.substr(0, hash);
    if (location.empty()) return std::nullopt;

    std::optional<HttpUrl> to;
    if (location.substr(0, 2) == "//") {
        to = parseHttpUrl((from.secure ? "https:" : "http:") + std::string(location));
    } else if (hasScheme(location)) {
        to = parseHttpUrl(location);  // anything but http and https gives nothing here
    } else {
        // A path or a query on the same host, taken against the path asked for.
        const std::string_view base = std::string_view(from.target).substr(0, from.target.find('?'));
        std::string target;
        if (location.front() == '/') {
            target = location;
        } else if (location.front() == '?') {
            target = std::string(base) + std::string(location);
        } else {
            target = std::string(base.substr(0, base.rfind('/') + 1)) + std::string(location);
        }
        to = HttpUrl{from.host, from.port, encodeRequestTarget(target), from.secure};
    }
    if (!to || to->secure != from.secure || to->port != from.port || !equalsNoCase(to->host, from.host))
        return std::nullopt;
    return to;
}

std::string hostField(const HttpUrl& url) {
    std::string field = url.host.find(':') == std::string::npos ? url.host : "[" + url.host + "]";
    if (url.port != (url.secure ? 443 : 80)) field += ":" + std::to_string(url.port);
    return field;
}

}  // namespace tavik
