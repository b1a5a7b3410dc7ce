#pragma once
#include <cstdio>
#include <string_view>

namespace tavik {

// Writes text to a standard stream (stdout, stderr) through the C library and
// flushes it. The program's console output goes this way rather than through
// std::cout and std::cerr: the C++ streams set up the whole locale machinery
// of the C++ library at start, some 500 kB of its code and tables that the
// resident client would otherwise keep in memory for a few lines of text.
inline void writeConsole(std::FILE* to, std::string_view text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

}  // namespace tavik
