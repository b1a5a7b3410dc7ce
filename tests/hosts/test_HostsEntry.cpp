#include "hosts/HostsEntry.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

const LocalDateTime kNow{2026, 3, 7, 9, 5, 0};
const std::string kStamped = "       # 07.03.2026 09:05 Verbindung von Tavik zum Firmenserver\n";
const std::string kAppended = "       # Verbindung von Tavik zum Firmenserver\n";

TEST(HostsEntry, SplitLinesAcceptsEveryLineEnd) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(splitLines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines("a\r\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines("a\n\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitLines(""), Lines{});
}

struct RewriteCase {
    const char* what;
    std::string content;
    std::string ip;
    std::string name;
    std::string expected;
};

class Rewrite : public testing::TestWithParam<RewriteCase> {};

TEST_P(Rewrite, GivesTheExpectedFile) {
    const RewriteCase& c = GetParam();
    EXPECT_EQ(rewriteHosts(c.content, c.ip, c.name, kNow), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    HostsEntry, Rewrite,
    testing::Values(
        RewriteCase{"absent: appended after an empty line, without date",
                    "127.0.0.1 localhost\n\n::1 ip6-localhost\n", "1.2.3.4", "srv.example",
                    "127.0.0.1 localhost\n::1 ip6-localhost\n\n1.2.3.4    srv.example" + kAppended},
        RewriteCase{"present: replaced in place, order kept", "a 1\n9.9.9.9 srv.example # old\nb 2\n",
                    "1.2.3.4", "srv.example", "a 1\n1.2.3.4    srv.example" + kStamped + "b 2\n"},
        RewriteCase{"two lines with the name: first replaced, second dropped",
                    "srv.example x\na 1\nsrv.example y\n", "1.2.3.4", "srv.example",
                    "1.2.3.4    srv.example" + kStamped + "a 1\n"},
        RewriteCase{"substring: srv takes over the line of mysrv", "5.5.5.5 mysrv\n", "1.2.3.4", "srv",
                    "1.2.3.4    srv" + kStamped},
        RewriteCase{"name compared with case", "5.5.5.5 SRV.example\n", "1.2.3.4", "srv.example",
                    "5.5.5.5 SRV.example\n\n1.2.3.4    srv.example" + kAppended},
        RewriteCase{"exit removes every line of the name", "a 1\nx srv.example\n\nb 2\ny srv.example\n", "exit",
                    "srv.example", "a 1\nb 2\n"},
        RewriteCase{"empty address removes like exit", "x srv.example\na 1\n", "", "srv.example", "a 1\n"},
        RewriteCase{"empty address, name absent: only empty lines go", "a 1\n\n\nb 2", "", "srv.example",
                    "a 1\nb 2\n"},
        RewriteCase{"CR and CR LF input, LF output", "a 1\r\nb 2\rsrv.example old\r\n", "::1", "srv.example",
                    "a 1\nb 2\n::1    srv.example" + kStamped},
        RewriteCase{"empty file gets the appended entry", "", "1.2.3.4", "srv.example",
                    "\n1.2.3.4    srv.example" + kAppended},
        RewriteCase{"the empty line before an appended entry goes at the next rewrite",
                    "a 1\n\n1.2.3.4    srv.example" + kAppended, "4.3.2.1", "srv.example",
                    "a 1\n4.3.2.1    srv.example" + kStamped}));

TEST(HostsEntry, AddressesThatCouldInjectOrMisleadAreRefused) {
    for (const char* bad : {"1.2.3.4\n5.6.7.8 evil", "1.2.3.4 evil", "127.1", "0x7f.0.0.1", "010.0.0.1",
                            "256.0.0.1", "1.2.3.4.", "1.2.3", "", " 1.2.3.4", "fe80::1%eth0", "1:2:3:4:5:6:7:8:9",
                            "::1\r", "1::2::3", "12345::", "1.2.3.4#"}) {
        EXPECT_FALSE(isValidHostsAddress(bad)) << bad;
    }
    EXPECT_FALSE(isValidHostsAddress(std::string("1.2.3.4\0junk", 12)));
    for (const char* good : {"1.2.3.4", "0.0.0.0", "255.255.255.255", "::1", "::", "fe80::1", "::ffff:10.0.0.1",
                             "1:2:3:4:5:6:7:8", "1:2:3:4:5:6:1.2.3.4", "ABCD::ef"}) {
        EXPECT_TRUE(isValidHostsAddress(good)) << good;
    }
}

TEST(HostsEntry, HostNamesArePlainNamesOnly) {
    const std::string label63(63, 'a');
    for (const std::string& good : {std::string("srv"), std::string("my-srv.example.com"), std::string("a.b1"),
                                    label63 + ".de"}) {
        EXPECT_TRUE(isValidHostName(good)) << good;
    }
    std::string tooLong;
    while (tooLong.size() < 254) tooLong += "abcdefghi.";
    for (const std::string& bad :
         {std::string("srv x"), std::string("srv#x"), std::string("srv\rx"), std::string("srv\nx"),
          std::string("srv\0x", 5), std::string("srv\tx"), std::string("a..b"), std::string(".srv"),
          std::string("srv."), std::string("srv_x"), std::string("sërv"), label63 + "a.de", tooLong.substr(0, 254)}) {
        EXPECT_FALSE(isValidHostName(bad)) << bad;
    }
}

}  // namespace
}  // namespace tavik
