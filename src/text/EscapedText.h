#pragma once
#include <string>
#include <string_view>

namespace tavik {

// Appends one byte as "\xNN" (lower-case hex): how a server's text shows the
// bytes a terminal or a log line must not take as they are.
void appendEscapedByte(std::string& out, unsigned char byte);

// `text` with every control character (C0 and DEL), and every character of
// `alsoEscaped`, shown as "\xNN", so that it stays on one line and plays no
// tricks on whoever reads it in a terminal.
std::string escapeControlCharacters(std::string_view text, std::string_view alsoEscaped = {});

}  // namespace tavik
