#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

namespace tavik {

// The code point of the UTF-8 sequence at the start of `text` and its length
// in bytes; nothing for a malformed, cut-off, overlong or surrogate sequence
// or one beyond U+10FFFF. ASCII is not a sequence here: a byte below 0x80
// gives nothing too, so callers handle ASCII first.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& length);

// True for a byte that continues a sequence rather than starting a character.
inline bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace tavik
