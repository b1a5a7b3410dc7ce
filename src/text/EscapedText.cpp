#include "text/EscapedText.h"

namespace tavik {

void appendEscapedByte(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

std::string escapeControlCharacters(std::string_view text, std::string_view alsoEscaped) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || alsoEscaped.find(c) != std::string_view::npos) {
            appendEscapedByte(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tavik
