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

}  // namespace
}  // namespace tavik
