#pragma once
#include <string_view>

namespace tavik {

// Reads a number from the start of a text the lenient way the program's
// numbers have always been read: blanks are skipped, reading stops at the
// first character that cannot continue a decimal number, and a text without
// a leading number gives 0. "220" -> 220, " 50+1.2.3.4+x" -> 50, "" -> 0.
double Val(std::string_view text);

}  // namespace tavik
