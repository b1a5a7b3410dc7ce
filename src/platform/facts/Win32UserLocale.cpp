#include <windows.h>

#include "platform/PlatformFacts.h"
#include "platform/win32/WideText.h"

namespace tavik {

// The C library of MinGW knows only the C locale; the month names come from
// the user's regional settings instead.
std::string userMonthName(int month) {
    if (month < 1 || month > 12) return {};
    wchar_t name[80] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, static_cast<LCTYPE>(LOCALE_SMONTHNAME1 + month - 1),
                                       name, static_cast<int>(std::size(name)));
    if (length <= 1) return {};
    return fromWide(std::wstring_view(name, static_cast<std::size_t>(length - 1)));
}

}  // namespace tavik
