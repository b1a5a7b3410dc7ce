#include <gtest/gtest.h>

#include <sstream>

#include "DemoAccounts.h"

namespace tavik::demo {
namespace {

TEST(DemoAccounts, ReadsFieldsCommentsAndLineEnds) {
    std::istringstream in(
        "# customer password class name ip status [file]\r\n"
        "\n"
        "k1001 geheim Firma firma-server 10.0.0.7 50\r\n"
        "  k1002\t#pw\tPrivat  home-box 10.0.0.8 20 tavik6_611.bin # newest build\n"
        "   # indented comment\n"
        "K1003 x Firma s 1.2.3.4 50 #no-file\n");
    std::string error;
    const auto accounts = parseAccounts(in, error);
    ASSERT_TRUE(accounts.has_value()) << error;
    ASSERT_EQ(accounts->size(), 3u);

    const DemoAccount& first = (*accounts)[0];
    EXPECT_EQ(first.customer, "k1001");
    EXPECT_EQ(first.password, "geheim");
    EXPECT_EQ(first.accountClass, "Firma");
    EXPECT_EQ(first.serverName, "firma-server");
    EXPECT_EQ(first.serverIp, "10.0.0.7");
    EXPECT_EQ(first.status, "50");  // no CR left over
    EXPECT_EQ(first.updateFile, "");

    EXPECT_EQ((*accounts)[1].password, "#pw");  // only fields after the sixth start comments
    EXPECT_EQ((*accounts)[1].updateFile, "tavik6_611.bin");
    EXPECT_EQ((*accounts)[2].customer, "K1003");
    EXPECT_EQ((*accounts)[2].updateFile, "");
}

TEST(DemoAccounts, MalformedLineIsReportedWithItsNumber) {
    for (const char* text : {"k1 pw Firma name 1.2.3.4\n", "k1 pw Firma name 1.2.3.4 50 file extra\n"}) {
        std::istringstream in(std::string("# header\n") + text);
        std::string error;
        EXPECT_FALSE(parseAccounts(in, error).has_value()) << text;
        EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace tavik::demo
