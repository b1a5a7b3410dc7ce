#pragma once
#include <string>

namespace tavik {

// What differs between the systems the program runs on, for the logic to use
// without asking the system itself.
#ifdef _WIN32
// Program files end in ".exe".
inline constexpr const char* kExecutableSuffix = ".exe";
// File names match whatever their letter case.
inline constexpr bool kFileNamesIgnoreCase = true;
// Text lines the program writes into files end with CR LF.
inline constexpr const char* kLineEnd = "\r\n";
#else
inline constexpr const char* kExecutableSuffix = "";
inline constexpr bool kFileNamesIgnoreCase = false;
inline constexpr const char* kLineEnd = "\n";
// The hosts file the resolver reads. On Windows it lies in the Windows
// folder, which only the running system can tell.
inline constexpr const char* kSystemHostsFile = "/etc/hosts";
#endif

// The full name of `month` (1..12) in the language the user chose for dates;
// empty when the system has none of its own (the C locale) or the month is
// outside 1..12.
std::string userMonthName(int month);

}  // namespace tavik
