#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tavik {

// Every text the programs write for a person goes through here. Inside, text
// is UTF-8. A Windows console reads bytes in its own code page, so there the
// text goes out as UTF-16 through the console itself; to a pipe or a file,
// and anywhere on Linux, the UTF-8 bytes go out unchanged.
void writeConsoleText(std::FILE* stream, std::string_view utf8);

// Makes std::cout, std::cerr and std::clog write through writeConsoleText.
// Called first thing by each Windows program; does nothing elsewhere.
void useConsoleTextForStandardStreams();

// One line typed on standard input, without its line end, as UTF-8 (a
// Windows console hands over UTF-16, not the code page's bytes). False at the
// end of input.
bool readConsoleLine(std::string& line);

// The length of the longest start of `text` that does not end inside a UTF-8
// sequence: a writer that gets text in pieces converts that much and keeps
// the rest for the next piece, so a character is never cut in two.
std::size_t completeUtf8Length(std::string_view text);

}  // namespace tavik
