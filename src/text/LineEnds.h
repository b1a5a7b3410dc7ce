#pragma once
#include <string>

namespace tavik {

// `text`, whose lines the program builds ending in LF, with the system's
// line end (kLineEnd): unchanged on Linux, each lone LF made CR LF on
// Windows. A line that already ends in CR LF keeps it.
std::string withSystemLineEnds(std::string text);

}  // namespace tavik
