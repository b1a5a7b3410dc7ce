// The dyndns2 endpoint that other DynDNS clients use against the demo
// server, its basic auth, and the request times the benchmarks read.
#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

#include "BasicAuth.h"
#include "DemoHttp.h"
#include "DemoService.h"

namespace tavik::demo {
namespace {

struct AuthCase {
    const char* header;
    bool valid;
    const char* user;
    const char* password;
};

TEST(BasicAuth, ReadsOnlyWellFormedBasicCredentials) {
    const AuthCase cases[] = {
        {"Basic dTE6cDE=", true, "u1", "p1"},             // u1:p1
        {"basic   dTE6cDE=  ", true, "u1", "p1"},         // scheme in any case, blanks around
        {"Basic YTpiOmM=", true, "a", "b:c"},             // a:b:c, the password keeps its ':'
        {"Basic dTE6", true, "u1", ""},                   // u1:
        {"Basic w6TDtjrDvw==", true, "\xC3\xA4\xC3\xB6", "\xC3\xBF"},  // UTF-8 bytes pass as they are
        {"", false, "", ""},
        {"Basic", false, "", ""},
        {"Basic ", false, "", ""},
        {"Bearer dTE6cDE=", false, "", ""},
        {"Basic dTE6cDE", false, "", ""},                 // not whole groups of four
        {"Basic dT!6cDE=", false, "", ""},
        {"Basic dTE=cDE=", false, "", ""},                // padding in the middle
        {"Basic d===", false, "", ""},
        {"Basic dTE=", false, "", ""},                    // "u1" without ':'
    };
    for (const AuthCase& c : cases) {
        const auto credentials = parseBasicAuth(c.header);
        ASSERT_EQ(credentials.has_value(), c.valid) << c.header;
        if (!c.valid) continue;
        EXPECT_EQ(credentials->user, c.user) << c.header;
        EXPECT_EQ(credentials->password, c.password) << c.header;
    }
}

constexpr const char* kAuth = "Basic ZHluLWsxOkdlSGVpbQ==";  // dyn-k1:GeHeim
const std::string kUpdate = "/nic/update?";

class NicUpdateTest : public ::testing::Test {
protected:
    NicUpdateTest() {
        DemoAccount account;
        account.customer = "dyn-k1";
        account.password = "GeHeim";
        account.accountClass = "Firma";
        account.serverName = "home.example.net";
        account.serverIp = "192.0.2.1";
        account.status = "50";
        service.addAccount(account);
    }

    DemoReply update(const std::string& query, const std::string& auth = kAuth,
                     const std::string& remote = "127.0.0.1") {
        return service.handle(kUpdate + query, remote, auth);
    }
    std::string serverIp() { return service.account("dyn-k1")->serverIp; }

    DemoService service{"6.10", {}};
};

TEST_F(NicUpdateTest, ChangedAddressIsGoodAndReachesTheTavikClient) {
    const DemoReply first = update("system=dyndns&hostname=home.example.net&myip=198.51.100.4");
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(first.body, "good 198.51.100.4");
    EXPECT_EQ(update("hostname=HOME.example.net&myip=198.51.100.4").body, "nochg 198.51.100.4");
    EXPECT_EQ(update("hostname=home.example.net&myip=%3a%3a1").body, "good ::1");
    EXPECT_EQ(service.handle("/cgi-bin/server/tavik6/readip6.cgi?dyn-k1&geheim&6.10", "").body,
              "220;;;50+::1+home.example.net;1;Firma;;6.10;;;");
}

TEST_F(NicUpdateTest, MissingOrMalformedAddressMeansTheCaller) {
    EXPECT_EQ(update("hostname=home.example.net", kAuth, "203.0.113.10").body, "good 203.0.113.10");
    for (const char* myip : {"", "1.2.3.4%3Bx", "1.2.3.4%0A", "1.2.3.4+5", "gibt%20es%20nicht"})
        EXPECT_EQ(update(std::string("hostname=home.example.net&myip=") + myip, kAuth, "203.0.113.10").body,
                  "nochg 203.0.113.10")
            << myip;
    EXPECT_EQ(serverIp(), "203.0.113.10");
}

TEST_F(NicUpdateTest, HostNamesAreAnsweredOneByOne) {
    EXPECT_EQ(update("hostname=other.example.net&myip=198.51.100.4").body, "nohost");
    for (const char* host : {"", "home%20example", "home.example.net%0A1.2.3.4", "a%3Bb"})
        EXPECT_EQ(update(std::string("myip=198.51.100.4&hostname=") + host).body, "notfqdn") << host;
    EXPECT_EQ(serverIp(), "192.0.2.1");
    EXPECT_EQ(update("hostname=other.example.net,home.example.net,,x%23y&myip=198.51.100.4").body,
              "nohost\ngood 198.51.100.4\nnotfqdn\nnotfqdn");
    EXPECT_EQ(serverIp(), "198.51.100.4");
}

TEST_F(NicUpdateTest, WithoutValidCredentialsNothingChanges) {
    for (const char* auth : {"", "Basic ZHluLWsxOmZhbHNjaA==" /* wrong password */,
                             "Basic ZnJlbWQ6R2VIZWlt" /* unknown user */, "Digest ZHluLWsxOkdlSGVpbQ=="}) {
        const DemoReply reply = update("hostname=home.example.net&myip=198.51.100.4", auth);
        EXPECT_EQ(reply.status, 401) << auth;
        EXPECT_EQ(reply.body, "badauth") << auth;
        ASSERT_EQ(reply.headers.size(), 1u) << auth;
        EXPECT_EQ(reply.headers[0].first, "WWW-Authenticate");
        EXPECT_EQ(reply.headers[0].second.rfind("Basic realm=", 0), 0u);
    }
    EXPECT_EQ(serverIp(), "192.0.2.1");
    // Customer number and password match in any letter case, as for the IP request.
    EXPECT_EQ(update("hostname=home.example.net&myip=198.51.100.4", "Basic RFlOLUsxOmdlaGVpbQ==").body,
              "good 198.51.100.4");
}

TEST_F(NicUpdateTest, HttpGluePassesCredentialsAndExtraHeaders) {
    httplib::Request request;
    request.target = kUpdate + "hostname=home.example.net&myip=198.51.100.7";
    request.remote_addr = "127.0.0.1";
    httplib::Response refused;
    answerRequest(service, request, refused);
    EXPECT_EQ(refused.status, 401);
    EXPECT_EQ(refused.get_header_value("WWW-Authenticate"), "Basic realm=\"tavik6-demo\"");

    request.headers.emplace("Authorization", kAuth);
    httplib::Response accepted;
    answerRequest(service, request, accepted);
    EXPECT_EQ(accepted.status, 200);
    EXPECT_EQ(accepted.body, "good 198.51.100.7");
    EXPECT_FALSE(accepted.has_header("WWW-Authenticate"));
}

TEST(DemoRequestTimes, ListedOnRequestOnTheServiceClock) {
    std::chrono::nanoseconds now{0};
    DemoService service("6.10", {}, [&now] { return now; });
    now = std::chrono::nanoseconds(2328406928999);  // microseconds are cut, not rounded
    service.handle("/cgi-bin/server/offline.cgi?k1", "");
    now = std::chrono::seconds(7) + std::chrono::microseconds(5);
    service.handle("/nic/update?hostname=x", "");
    now = std::chrono::seconds(8);
    EXPECT_EQ(service.handle("/demo/requests?times=1", "").body,
              "2328.406928 /cgi-bin/server/offline.cgi?k1\n"
              "7.000005 /nic/update?hostname=x\n"
              "8.000000 /demo/requests?times=1\n");
    EXPECT_EQ(service.handle("/demo/requests?times=0", "").body,
              "/cgi-bin/server/offline.cgi?k1\n/nic/update?hostname=x\n/demo/requests?times=1\n"
              "/demo/requests?times=0\n");
}

}  // namespace
}  // namespace tavik::demo
