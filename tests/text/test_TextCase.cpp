#include "text/TextCase.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(TextCase, LowerCasesAsciiAndLatin1Letters) {
    EXPECT_EQ(toLowerText("K12345"), "k12345");
    EXPECT_EQ(toLowerText("ÄÖÜ Straße ÀÞ"), "äöü straße àþ");
    EXPECT_EQ(toLowerText("×"), "×");  // no lower case of its own
    EXPECT_EQ(toLowerText("äöü"), "äöü");
}

TEST(TextCase, UpperCasesAsciiOnly) { EXPECT_EQ(toUpperAscii("<head>ä"), "<HEAD>ä"); }

TEST(TextCase, CountsCharactersNotBytes) {
    EXPECT_EQ(characterCount("abc"), 3u);
    EXPECT_EQ(characterCount("Büro"), 4u);
    EXPECT_EQ(characterCount(""), 0u);
}

}  // namespace
}  // namespace tavik
