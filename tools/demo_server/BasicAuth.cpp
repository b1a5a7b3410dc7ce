#include "BasicAuth.h"

#include <cstdint>

#include "text/TextCase.h"

namespace tavik::demo {
namespace {

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict base64: whole groups of four, '=' only as padding at the end.
std::optional<std::string> decodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
    std::string out;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (std::size_t i = 0; i < text.size() - padding; ++i) {
        const int value = base64Value(text[i]);
        if (value < 0) return std::nullopt;
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            out += static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    return out;
}

}  // namespace

std::optional<Credentials> parseBasicAuth(std::string_view headerValue) {
    const auto blank = headerValue.find(' ');
    if (blank == std::string_view::npos || toLowerText(headerValue.substr(0, blank)) != "basic")
        return std::nullopt;
    std::string_view encoded = headerValue.substr(blank + 1);
    while (!encoded.empty() && encoded.front() == ' ') encoded.remove_prefix(1);
    while (!encoded.empty() && encoded.back() == ' ') encoded.remove_suffix(1);
    const auto decoded = decodeBase64(encoded);
    if (!decoded) return std::nullopt;
    const auto colon = decoded->find(':');
    if (colon == std::string::npos) return std::nullopt;
    return Credentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

}  // namespace tavik::demo
