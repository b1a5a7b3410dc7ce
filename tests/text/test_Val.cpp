#include "text/Val.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(Val, ReadsTheLeadingNumberLeniently) {
    EXPECT_EQ(Val("220"), 220);
    EXPECT_EQ(Val("  220"), 220);
    EXPECT_EQ(Val("220\r\n"), 220);
    EXPECT_EQ(Val("50+10.0.0.7+firma-server"), 50);
    EXPECT_EQ(Val("-1) x"), -1);
    EXPECT_FLOAT_EQ(static_cast<float>(Val("6.10")), 6.1f);
    EXPECT_FLOAT_EQ(static_cast<float>(Val("6.11;")), 6.11f);
}

TEST(Val, TextWithoutLeadingNumberIsZero) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("+"), 0);
    EXPECT_EQ(Val("<html>"), 0);
    EXPECT_EQ(Val("."), 0);
}

TEST(Val, BlanksInsideTheNumberAreSkipped) {
    EXPECT_EQ(Val("2 20"), 220);
    EXPECT_EQ(Val("1) Direkt per Modem/ISDN"), 1);
}

TEST(Val, ExponentNeedsDigitsAndHugeNumbersDoNotThrow) {
    EXPECT_EQ(Val("3e2x"), 300);
    EXPECT_EQ(Val("3e"), 3);
    EXPECT_EQ(Val("5Daten"), 5);
    EXPECT_EQ(Val("1e999999"), 0);
}

}  // namespace
}  // namespace tavik
