#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tavik {

// Lower-cases a UTF-8 text: ASCII and the Latin-1 letters (Ä, Ö, Ü, À..Þ).
std::string toLowerText(std::string_view text);
// Upper-cases ASCII letters only; enough to look for markers such as "<HEAD>".
std::string toUpperAscii(std::string_view text);
// Number of characters of a UTF-8 text (malformed bytes count one each).
std::size_t characterCount(std::string_view text);
// The first `limit` characters of a UTF-8 text, counted as characterCount does.
std::string firstCharacters(std::string_view text, std::size_t limit);

}  // namespace tavik
