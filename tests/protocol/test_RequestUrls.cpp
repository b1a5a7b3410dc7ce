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

// Hosts as users write them into TAVIK_SERVICE_HOST: a scheme and a slash
// are left out of the address, anything else that cannot be a host is refused.
TEST(RequestUrls, ConfiguredHostsAsUsersWriteThem) {
    for (const char* host : {"dyn.example", "127.0.0.1:8080", "http://127.0.0.1:8080", "HTTP://h/", "[::1]:80",
                             "my_host.lan"}) {
        EXPECT_TRUE(isUsableHost(host)) << host;
        EXPECT_EQ(offlineNoticeUrl(host, "k").find("http://", 1), std::string::npos) << host;
        EXPECT_EQ(offlineNoticeUrl(host, "k").find("//cgi"), std::string::npos) << host;
    }
    for (const char* host : {"", "http://", "https://h", "ftp://h", "h/path", "h name", ":8080", "h?x"})
        EXPECT_FALSE(isUsableHost(host)) << host;
}

}  // namespace
}  // namespace tavik
