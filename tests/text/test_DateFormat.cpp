#include "text/DateFormat.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(DateFormat, FixedGermanForms) {
    const LocalDateTime t{2005, 4, 7, 9, 3, 5};
    EXPECT_EQ(formatDate(t), "07.04.2005");
    EXPECT_EQ(formatDateTime(t), "07.04.2005 09:03:05");
    EXPECT_EQ(formatGeneralDate(t), "07.04.2005 09:03:05");
    EXPECT_EQ(formatHostsStamp(t), "07.04.2005 09:03");
    EXPECT_EQ(formatServerDatum(t), "07.04.2005 - 09:03:05");
}

TEST(DateFormat, GeneralDateIsTheDateAloneExactlyAtMidnight) {
    EXPECT_EQ(formatGeneralDate({2005, 12, 31, 0, 0, 0}), "31.12.2005");
    EXPECT_EQ(formatGeneralDate({2005, 12, 31, 0, 0, 1}), "31.12.2005 00:00:01");
}

}  // namespace
}  // namespace tavik
