#include <gtest/gtest.h>

#include "platform/PlatformFacts.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

// The tests run with German regional settings: the names are Windows' own.
TEST(Win32Facts, MonthNamesComeFromTheUserLocale) {
    EXPECT_EQ(userMonthName(3), "März");
    EXPECT_EQ(userMonthName(12), "Dezember");
    EXPECT_EQ(userMonthName(0), "");
    EXPECT_EQ(userMonthName(13), "");
}

TEST(Win32Facts, TextsCrossTheApiUnchanged) {
    for (const std::string text : {"", "a", "Büro 2", "€ 5", "\xF0\x9F\x98\x80 x"}) {
        EXPECT_EQ(fromWide(toWide(text)), text);
    }
    EXPECT_EQ(toWide("Büro"), L"B\u00fcro");
}

}  // namespace
}  // namespace tavik
