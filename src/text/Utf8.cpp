#include "text/Utf8.h"

namespace tavik {

std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& length) {
    if (text.empty()) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    char32_t point = 0;
    char32_t least = 0;
    std::size_t size = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4, point = lead & 0x07, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() < size) return std::nullopt;
    for (std::size_t i = 1; i < size; ++i) {
        if (!isUtf8Continuation(text[i])) return std::nullopt;
        point = (point << 6) | (byte(i) & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return std::nullopt;
    length = size;
    return point;
}

}  // namespace tavik
