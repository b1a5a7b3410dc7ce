#include "text/TextCase.h"

#include "text/Utf8.h"

namespace tavik {

std::string toLowerText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < text.size()) {
            // U+00C0..U+00DE are encoded C3 80..C3 9E; U+00D7 (×) has no lower case.
            const auto next = static_cast<unsigned char>(text[i + 1]);
            out += text[i];
            out += (next >= 0x80 && next <= 0x9E && next != 0x97) ? static_cast<char>(next + 0x20)
                                                                   : text[i + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string toUpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text)
        if (!isUtf8Continuation(c)) ++count;
    return count;
}

std::string firstCharacters(std::string_view text, std::size_t limit) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!isUtf8Continuation(text[i]) && count++ == limit) return std::string(text.substr(0, i));
    return std::string(text);
}

}  // namespace tavik
