#include "text/PathText.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

// Names a German user has: the text must name the same file on Windows as on
// Linux, not its reading in the ANSI code page.
TEST(PathText, NamesBeyondAsciiSurviveTheWayIntoAPathAndBack) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } rows[] = {
        {"C:\\Users\\J\xc3\xbcrgen\\Tavik6", u"C:\\Users\\J\u00fcrgen\\Tavik6"},
        {"B\xc3\xbcro 2", u"B\u00fcro 2"},
        {"Stra\xc3\x9f" "e \xe2\x82\xac \xe6\x9c\x8d", u"Stra\u00dfe \u20ac \u670d"},
        {"Tavik6-6.20.exe", u"Tavik6-6.20.exe"},
    };
    for (const auto& row : rows) {
        const std::filesystem::path path = pathFromUtf8(row.utf8);
        EXPECT_EQ(path.u16string(), row.utf16) << row.utf8;
        EXPECT_EQ(utf8FromPath(path), row.utf8);
    }
}

}  // namespace
}  // namespace tavik
