#pragma once
#include <filesystem>
#include <string>

#include "platform/Clock.h"

namespace tavik {

// The source file of the global module, looked for in the program folder.
inline constexpr const char* kModulDateFile = "tavik_global.bas";

// The full name of `month` (1..12) in the user's locale; the German name
// when the locale has none of its own (the C or POSIX locale). Empty for a
// month outside 1..12.
std::string localMonthName(int month);

// Rewrites every line of `name` that holds the module's date constant with
// `today` ("dd. mmmm yyyy"). A missing file, a file of more than 10001 lines
// or any failure leaves the file as it was.
void SetNewModulDate(const std::filesystem::path& name, const LocalDateTime& today);

}  // namespace tavik
