#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace tavik {

// Text inside the program is UTF-8. A path's own narrow form (a path built
// from std::string, or .string()) is the ANSI code page on Windows, which
// garbles every name beyond it ("C:\Users\Jürgen", profile "Büro"); these two
// say which they mean and are the same bytes on Linux.

// A path from UTF-8 text. Text that is no UTF-8 cannot name a file on
// Windows: it gives an empty path there, which no file operation finds.
inline std::filesystem::path pathFromUtf8(std::string_view utf8) {
    try {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    } catch (...) {
        return {};
    }
}

// The path as UTF-8 text, for messages and for what is stored as text. A
// Windows name that is no valid UTF-16 (a lone surrogate) gives empty text
// rather than an exception.
inline std::string utf8FromPath(const std::filesystem::path& path) {
    try {
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
    } catch (...) {
        return {};
    }
}

}  // namespace tavik
