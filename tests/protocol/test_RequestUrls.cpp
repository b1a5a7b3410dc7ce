#include <gtest/gtest.h>

#include "protocol/RequestUrls.h"

namespace tavik {
namespace {

TEST(RequestUrls, IpRequestLowerCasesCredentialsAndEndsWithVersion) {
    EXPECT_EQ(ipRequestUrl("host:8080", "KD4711", "GeHeim", "6.10"),
              "http://host:8080/cgi-bin/server/tavik6/readip6.cgi?kd4711&geheim&6.10");
}

TEST(RequestUrls, NothingIsEscaped) {
    // A password with "&" simply gives the query one more part.
    EXPECT_EQ(ipRequestUrl("h", "a b", "x&Y#Ä", "6.10"),
              "http://h/cgi-bin/server/tavik6/readip6.cgi?a b&x&y#ä&6.10");
}

TEST(RequestUrls, OfflineNoticeCarriesOnlyTheCustomerNumber) {
    EXPECT_EQ(offlineNoticeUrl("h", "KD4711"), "http://h/cgi-bin/server/offline.cgi?kd4711");
}

TEST(RequestUrls, SettingsAndTestPagesKeepTheCase) {
    EXPECT_EQ(settingsPageUrl("h", "KD4711", "GeHeim"),
              "http://h/cgi-bin/server/tavik6/edit.cgi?name=KD4711&passwort=GeHeim");
    EXPECT_EQ(testPageUrl("h", "KD4711"), "http://h/cgi-bin/server/server.cgi?KD4711");
}

// Hosts as users write them into TAVIK_SERVICE_HOST: "https://" in front
// keeps the address on https, "http://" and none give plain http; a slash
// behind is left out; anything else that cannot be a host is refused.
TEST(RequestUrls, ConfiguredHostsAsUsersWriteThem) {
    struct Case {
        const char* host;
        const char* offlineNotice;
    };
    const Case usable[] = {
        {"dyn.example", "http://dyn.example/cgi-bin/server/offline.cgi?k"},
        {"127.0.0.1:8080", "http://127.0.0.1:8080/cgi-bin/server/offline.cgi?k"},
        {"http://127.0.0.1:8080", "http://127.0.0.1:8080/cgi-bin/server/offline.cgi?k"},
        {"HTTP://h/", "http://h/cgi-bin/server/offline.cgi?k"},
        {"[::1]:80", "http://[::1]:80/cgi-bin/server/offline.cgi?k"},
        {"my_host.lan", "http://my_host.lan/cgi-bin/server/offline.cgi?k"},
        {"https://h", "https://h/cgi-bin/server/offline.cgi?k"},
        {"HTTPS://h:8443/", "https://h:8443/cgi-bin/server/offline.cgi?k"},
    };
    for (const auto& c : usable) {
        EXPECT_TRUE(isUsableHost(c.host)) << c.host;
        EXPECT_EQ(offlineNoticeUrl(c.host, "K"), c.offlineNotice) << c.host;
    }
    EXPECT_EQ(updateFileUrl("https://u:8443", "T.zip"), "https://u:8443/update/T.zip");
    for (const char* host : {"", "http://", "https://", "ftp://h", "h/path", "h name", ":8080", "h?x", "https//h"})
        EXPECT_FALSE(isUsableHost(host)) << host;
}

}  // namespace
}  // namespace tavik
