#include <gtest/gtest.h>

#include "platform/http/HttpUrl.h"

namespace tavik {
namespace {

struct TargetCase {
    const char* name;
    std::string raw;
    std::string sent;
};

TEST(EncodeRequestTarget, EscapesOnlyWhatTheRequestLineCannotCarry) {
    const TargetCase cases[] = {
        {"separators stay", "/a.cgi?k1&p=w&6.10/x", "/a.cgi?k1&p=w&6.10/x"},
        {"blank", "/a?x y", "/a?x%20y"},
        {"umlaut as UTF-8 bytes", "/a?\xc3\xbc", "/a?%C3%BC"},
        {"hash is data", "/a?pw#1", "/a?pw%231"},
        {"unsafe punctuation", "/\"<>\\^`{|}", "/%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {"control characters", std::string("/a\x01\x7f\t", 5), "/a%01%7F%09"},
        {"escape kept", "/a?%41%e4", "/a?%41%e4"},
        {"stray percent", "/a?50%&%4", "/a?50%25&%254"},
        {"percent with one hex digit at the end", "/a%4", "/a%254"},
        {"case kept", "/A?B", "/A?B"},
        {"plus and apostrophe stay", "/a?50+1.2.3.4+x'", "/a?50+1.2.3.4+x'"},
    };
    for (const auto& c : cases) EXPECT_EQ(encodeRequestTarget(c.raw), c.sent) << c.name;
}

TEST(ParseHttpUrl, SplitsHostPortAndTarget) {
    struct Case {
        std::string url;
        std::string host;
        int port;
        std::string target;
        bool secure = false;
    };
    const Case cases[] = {
        {"http://127.0.0.1:8080/cgi-bin/x.cgi?a&b", "127.0.0.1", 8080, "/cgi-bin/x.cgi?a&b"},
        {"https://dyn.example/x", "dyn.example", 443, "/x", true},
        {"HTTPS://[::1]:8443", "::1", 8443, "/", true},
        {"http://dyn.example/", "dyn.example", 80, "/"},
        {"http://dyn.example", "dyn.example", 80, "/"},
        {"http://dyn.example?a", "dyn.example", 80, "/?a"},
        {"http://dyn.example#a", "dyn.example", 80, "/%23a"},
        {"HTTP://Host:1/A b", "Host", 1, "/A%20b"},
        {"http://[::1]:65535/x", "::1", 65535, "/x"},
        {"http://[::1]/x", "::1", 80, "/x"},
        {"http://h/?x=http://y/", "h", 80, "/?x=http://y/"},
    };
    for (const auto& c : cases) {
        const auto parsed = parseHttpUrl(c.url);
        ASSERT_TRUE(parsed.has_value()) << c.url;
        EXPECT_EQ(parsed->host, c.host) << c.url;
        EXPECT_EQ(parsed->port, c.port) << c.url;
        EXPECT_EQ(parsed->target, c.target) << c.url;
        EXPECT_EQ(parsed->secure, c.secure) << c.url;
    }
}

TEST(ParseHttpUrl, RejectsWhatIsNotHttpOrHttps) {
    const char* urls[] = {
        "",
        "https:/127.0.0.1/",
        "https://",
        "ftp://127.0.0.1/",
        "127.0.0.1/x",
        "http:/127.0.0.1/x",
        "http://",
        "http:///x",
        "http://:80/x",
        "http://host:/x",
        "http://host:0/x",
        "http://host:65536/x",
        "http://host:8o/x",
        "http://host:+80/x",
        "http://user@host/x",
        "http://ho st/x",
        "http://h\xc3\xbcst/x",
        "http://[::1/x",
        "http://[]/x",
        "http://[::1]x/x",
        "http://[fe80::1%eth0]/x",
    };
    for (const char* url : urls) EXPECT_FALSE(parseHttpUrl(url).has_value()) << url;
}

TEST(RedirectTarget, FollowsOnlyTheSameSchemeHostAndPort) {
    const HttpUrl from{"Dyn.example", 8080, "/cgi-bin/server/a.cgi?k1&p"};
    struct Case {
        std::string location;
        std::string target;  // empty: not followed
    };
    const Case cases[] = {
        {"/b.cgi?x", "/b.cgi?x"},
        {"b.cgi", "/cgi-bin/server/b.cgi"},
        {"?y", "/cgi-bin/server/a.cgi?y"},
        {" /c d#frag ", "/c%20d"},
        {"http://dyn.EXAMPLE:8080/z", "/z"},
        {"//dyn.example:8080/z", "/z"},
        {"http://dyn.example/z", ""},  // port 80 is another port
        {"http://other.example:8080/z", ""},
        {"//other.example:8080/z", ""},
        {"https://dyn.example:8080/z", ""},
        {"ftp://dyn.example:8080/z", ""},
        {"javascript:alert(1)", ""},
        {"", ""},
        {"#only", ""},
    };
    for (const auto& c : cases) {
        const auto to = redirectTarget(from, c.location);
        EXPECT_EQ(to ? to->target : "", c.target) << c.location;
        if (to) {
            EXPECT_EQ(to->port, 8080) << c.location;
            EXPECT_FALSE(to->secure) << c.location;
        }
    }
    // From https a redirect stays on https: one to http is never followed.
    const HttpUrl secure{"dyn.example", 443, "/a", true};
    const struct {
        std::string location;
        std::string target;
    } secureCases[] = {
        {"/b", "/b"},
        {"//dyn.example/b", "/b"},
        {"https://dyn.example:443/b", "/b"},
        {"http://dyn.example:443/b", ""},
        {"http://dyn.example/b", ""},
    };
    for (const auto& c : secureCases) {
        const auto to = redirectTarget(secure, c.location);
        EXPECT_EQ(to ? to->target : "", c.target) << c.location;
        if (to) {
            EXPECT_TRUE(to->secure) << c.location;
        }
    }
    EXPECT_EQ(hostField(secure), "dyn.example");
    EXPECT_EQ(hostField(HttpUrl{"::1", 443, "/", false}), "[::1]:443");
}

}  // namespace
}  // namespace tavik
