#pragma once
#include <string>
#include <string_view>

namespace tavik {

// Texts are UTF-8 inside the program and UTF-16 at the Windows API.
std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view utf16);

// The message text of a Windows error code, without the trailing line end.
std::string systemErrorText(unsigned long code);

}  // namespace tavik
