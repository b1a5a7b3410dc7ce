#include "text/LineEnds.h"

#include <string_view>

#include "platform/PlatformFacts.h"

namespace tavik {

std::string withSystemLineEnds(std::string text) {
    constexpr std::string_view lineEnd = kLineEnd;
    if (lineEnd == "\n") return text;
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            result += lineEnd;
        } else {
            result += text[i];
        }
    }
    return result;
}

}  // namespace tavik
