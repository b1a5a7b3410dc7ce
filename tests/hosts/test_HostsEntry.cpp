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

void PrintTo(const RewriteCase& c, std::ostream* out) { *out << c.what; }

class Rewrite : public testing::TestWithParam<RewriteCase> {};

TEST_P(Rewrite, GivesTheExpectedFile) {
    const RewriteCase& c = GetParam();
    EXPECT_EQ(rewriteHosts(c.content, c.ip, c.name, kNow), c.expected) << c.what;
}

// A machine's usual lines, which no server name may take over unless it is
// one of their names.
const std::string kMachine =
    "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n"
    "192.168.1.5 nas.local nas\n# the nas holds the backups\n";

// Lines long enough that the file is searched many bytes at a time.
const std::string kLong1 = "10.20.30.40    backup-store.branch-office.example.net backup-store";
const std::string kLong2 = "2001:db8::17    printer.second-floor.example.net printer-2 # colour";

INSTANTIATE_TEST_SUITE_P(
    HostsEntry, Rewrite,
    testing::Values(
        RewriteCase{"absent: appended after an empty line, without date",
                    "127.0.0.1 localhost\n\n::1 ip6-localhost\n", "1.2.3.4", "srv.example",
                    "127.0.0.1 localhost\n::1 ip6-localhost\n\n1.2.3.4    srv.example" + kAppended},
        RewriteCase{"present: replaced in place, order kept", "a 1\n9.9.9.9 srv.example # old\nb 2\n",
                    "1.2.3.4", "srv.example", "a 1\n1.2.3.4    srv.example" + kStamped + "b 2\n"},
        RewriteCase{"two lines with the name: first replaced, second dropped",
                    "5.5.5.5 srv.example\na 1\n6.6.6.6\tsrv.example\n", "1.2.3.4", "srv.example",
                    "1.2.3.4    srv.example" + kStamped + "a 1\n"},
        RewriteCase{"our own older line is found", "a 1\n9.9.9.9    srv.example" + kStamped, "1.2.3.4",
                    "srv.example", "a 1\n1.2.3.4    srv.example" + kStamped},
        RewriteCase{"whole names only: srv leaves mysrv, srv.lan, an address and a comment alone",
                    "5.5.5.5 mysrv srv.lan\nsrv 7.7.7.7\n8.8.8.8 x # srv\n#5.5.5.5 srv\n", "1.2.3.4", "srv",
                    "5.5.5.5 mysrv srv.lan\nsrv 7.7.7.7\n8.8.8.8 x # srv\n#5.5.5.5 srv\n\n1.2.3.4    srv" + kAppended},
        RewriteCase{"fragments of loopback and other names take nothing over", kMachine, "1.2.3.4", "ost",
                    kMachine + "\n1.2.3.4    ost" + kAppended},
        RewriteCase{"removing a fragment removes nothing", kMachine, "exit", "local", kMachine},
        RewriteCase{"names compare without ASCII case", "5.5.5.5 SRV.Example\n", "1.2.3.4", "srv.example",
                    "1.2.3.4    srv.example" + kStamped},
        RewriteCase{"a line that also names other hosts keeps them", kMachine, "1.2.3.4", "nas",
                    "127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost ip6-loopback\n1.2.3.4    nas" + kStamped +
                        "192.168.1.5 nas.local\n# the nas holds the backups\n"},
        RewriteCase{"removal takes only the name out of such lines",
                    "192.168.1.5 nas nas.local NAS # box\n10.0.0.1\tnas\n", "exit", "nas",
                    "192.168.1.5 nas.local # box\n"},
        RewriteCase{"the machine's own loopback lines are never taken over",
                    "127.0.1.1\tmybox\n0:0::1 mybox6 mybox\n", "1.2.3.4", "MyBox",
                    "127.0.1.1\tmybox\n0:0::1 mybox6 mybox\n\n1.2.3.4    MyBox" + kAppended},
        RewriteCase{"nor removed", "127.0.1.1\tmybox\n::1 mybox6 mybox\n", "exit", "mybox",
                    "127.0.1.1\tmybox\n::1 mybox6 mybox\n"},
        RewriteCase{"our own line with a loopback address is ours", "127.0.0.5    srv" + kAppended, "1.2.3.4", "srv",
                    "1.2.3.4    srv" + kStamped},
        RewriteCase{"exit removes every line of the name", "a 1\nx srv.example\n\nb 2\ny srv.example\n", "exit",
                    "srv.example", "a 1\nb 2\n"},
        RewriteCase{"empty address removes like exit", "x srv.example\na 1\n", "", "srv.example", "a 1\n"},
        RewriteCase{"empty address, name absent: only empty lines go", "a 1\n\n\nb 2", "", "srv.example",
                    "a 1\nb 2\n"},
        RewriteCase{"CR and CR LF input, LF output", "a 1\r\nb 2\r9.9.9.9 srv.example old\r\n", "::1",
                    "srv.example", "a 1\nb 2\n::1    srv.example" + kStamped + "9.9.9.9 old\n"},
        RewriteCase{"long lines with every kind of line end and empty lines",
                    kLong1 + "\r\n" + kLong2 + "\n\n" + kLong1 + "\n\r" + kLong2 + "\r\r\n\n" + kLong1, "1.2.3.4",
                    "srv.example",
                    kLong1 + "\n" + kLong2 + "\n" + kLong1 + "\n" + kLong2 + "\n" + kLong1 + "\n\n1.2.3.4    srv.example" +
                        kAppended},
        RewriteCase{"the name deep in a long file, in a longer name first, last without a line end",
                    kLong1 + "\n" + kLong2 + "\r\n5.5.5.5 mysrv.example.lan my-srv.example\r\n" + kLong1 +
                        "\n9.9.9.9 other.host.example.lan SRV.EXAMPLE",
                    "1.2.3.4", "srv.example",
                    kLong1 + "\n" + kLong2 + "\n5.5.5.5 mysrv.example.lan my-srv.example\n" + kLong1 +
                        "\n1.2.3.4    srv.example" + kStamped + "9.9.9.9 other.host.example.lan\n"},
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

TEST(HostsEntry, HostNamesAreThoseRealServersUseButNoLoopbackNameOrAddress) {
    const std::string label63(63, 'a');
    for (const std::string& good :
         {std::string("srv"), std::string("my-srv.example.com"), std::string("a.b1"), label63 + ".de",
          std::string("file_server.corp"), std::string("_ldap.example"), std::string("büro-server"),
          std::string("服务器.example"), std::string("ost"), std::string("local"), std::string("nas.local"),
          std::string("localhost-backup"), std::string("my.localhost.example"), std::string("0x7f.example"),
          std::string("1.2.3.4a")}) {
        EXPECT_TRUE(isValidHostName(good)) << good;
    }
    std::string tooLong;
    while (tooLong.size() < 254) tooLong += "abcdefghi.";
    for (const std::string& bad :
         {std::string("srv x"), std::string("srv#x"), std::string("srv\rx"), std::string("srv\nx"),
          std::string("srv\0x", 5), std::string("srv\tx"), std::string("srv\x1b[2Jx"), std::string("srv\x7f"),
          std::string("a..b"), std::string(".srv"), std::string("srv."), std::string("srv/x"),
          std::string("srv\\x"), std::string("srv\"x"), std::string("srv'x"), std::string("srv\xffx"),
          std::string("srv\xc3"), std::string("srv\xc2\x9bx"), std::string("srv\xc2\xa0x"),
          std::string("srv\xe2\x80\xa8x"), std::string("srv\xed\xa0\x80"), std::string("\xc0\xafsrv"),
          label63 + "a.de", tooLong.substr(0, 254),
          // loopback names
          std::string("localhost"), std::string("LocalHost"), std::string("api.localhost"),
          std::string("localhost.localdomain"), std::string("localhost6"), std::string("ip6-localhost"),
          std::string("ip6-loopback"), std::string("IP6-allnodes"),
          // names that are an address
          std::string("127"), std::string("0.0"), std::string("10.0.0.7"), std::string("1.2.3.4.5"),
          std::string("0x7f.1"), std::string("0x7f000001"), std::string("017.0.0.1"), std::string("::1"),
          std::string("fe80::1"), std::string("srv:80")}) {
        EXPECT_FALSE(isValidHostName(bad)) << bad;
    }
}

TEST(HostsEntry, AddressOfIsWhatAResolverFindsFirst) {
    const std::string hosts = "# 9.9.9.9 srv\n127.0.1.1 srv\n5.5.5.5 mysrv\n6.6.6.6 other SRV # x\n7.7.7.7 srv\n";
    EXPECT_EQ(addressOf(hosts, "srv"), "6.6.6.6");
    EXPECT_EQ(addressOf(hosts, "other"), "6.6.6.6");
    EXPECT_EQ(addressOf(hosts, "x"), std::nullopt);
    EXPECT_EQ(addressOf(hosts, "sr"), std::nullopt);
}

}  // namespace
}  // namespace tavik
