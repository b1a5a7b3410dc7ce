#pragma once
#include <cstdio>
#include <string_view>

namespace tavik {

#ifdef _WIN32
// A Windows console reads bytes in its own code page: to a console the text
// goes out as UTF-16 through the console itself, to a pipe or a file as the
// UTF-8 bytes. Defined in the platform facts library.
void writeConsoleText(std::FILE* stream, std::string_view utf8);
#endif

// Writes text to a standard stream (stdout, stderr) through the C library and
// flushes it; on Windows through the console when the stream is one. The
// program's console output goes this way rather than through std::cout and
// std::cerr: the C++ streams set up the whole locale machinery
// of the C++ library at start, some 500 kB of its code and tables that the
// resident client would otherwise keep in memory for a few lines of text.
inline void writeConsole(std::FILE* to, std::string_view text) {
#ifdef _WIN32
    writeConsoleText(to, text);
#else
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), to);
#endif
    std::fflush(to);
}

}  // namespace tavik
