#include <ctime>
#include <iterator>
#include <locale>
#include <sstream>

#include "platform/PlatformFacts.h"

namespace tavik {
namespace {

// The name of the locale's time category, out of a combined name such as
// "LC_CTYPE=de_DE.UTF-8;LC_TIME=C;...".
std::string timeLocaleName(const std::locale& locale) {
    const std::string name = locale.name();
    const std::size_t at = name.find("LC_TIME=");
    if (at == std::string::npos) return name;
    const std::size_t start = at + 8;
    return name.substr(start, name.find(';', start) - start);
}

bool hasOwnMonthNames(const std::string& localeName) {
    return !(localeName.empty() || localeName == "C" || localeName == "POSIX" || localeName.starts_with("C."));
}

}  // namespace

std::string userMonthName(int month) {
    if (month < 1 || month > 12) return {};
    try {
        const std::locale locale("");
        if (!hasOwnMonthNames(timeLocaleName(locale))) return {};
        std::tm date{};
        date.tm_year = 100;
        date.tm_mon = month - 1;
        date.tm_mday = 1;
        std::ostringstream out;
        out.imbue(locale);
        std::use_facet<std::time_put<char>>(locale).put(std::ostreambuf_iterator<char>(out), out, ' ', &date, 'B');
        return out.str();
    } catch (...) {
        return {};
    }
}

}  // namespace tavik
