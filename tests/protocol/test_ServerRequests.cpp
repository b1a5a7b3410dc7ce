#include <gtest/gtest.h>

#include "ReplyHandlerFixture.h"
#include "protocol/ServerRequests.h"

namespace tavik {
namespace {

class ServerRequestsTest : public ReplyHandlerFixture {
protected:
    ServerRequests requests{g, inet, handler, env};
    const std::string ipUrl = "http://127.0.0.1:8080/cgi-bin/server/tavik6/readip6.cgi?kd4711&geheim&6.10";
};

TEST_F(ServerRequestsTest, ReadIpSendsEverythingInLowerCaseAndReturnsTheCode) {
    g.User = "KD4711";
    g.Passwort = "GeHeim";
    env.service = "127.0.0.1:8080";
    transfer.standing[ipUrl] = {true, "220;;;50+10.0.0.7+firma-server;3;Firma;;6.10"};
    EXPECT_EQ(requests.ReadIP(), 220);
    EXPECT_EQ(transfer.requested, std::vector<std::string>{ipUrl});
    EXPECT_EQ(g.ServerName, "firma-server");
}

TEST_F(ServerRequestsTest, WholeAddressIsLowerCasedBeforeSending) {
    g.ProgVersion = "6.10B";
    env.service = "Server.Example";
    transfer.standing["http://server.example/cgi-bin/server/tavik6/readip6.cgi?kd4711&geheim&6.10b"] = {true, "99;"};
    EXPECT_EQ(requests.ReadIP(), 99);
}

TEST_F(ServerRequestsTest, FailedTransferReturnsOneSilently) {
    // No answer scripted: the transfer reports the error state.
    EXPECT_EQ(requests.ReadIP(), 1);
    EXPECT_FALSE(g.InetFehler.empty());
    EXPECT_TRUE(dialogs.infos.empty());
    EXPECT_TRUE(actions.timerRestarts.empty());  // the reply handling did not run
    EXPECT_EQ(transfer.cancels, 2);              // before the request and after the failure
}

TEST_F(ServerRequestsTest, RepliesOtherThanTheKnownCodesGiveOne) {
    for (const std::string reply : {"", "221;", "<html><head>", "110;"}) {
        transfer.standing[ipUrl] = {true, reply};
        EXPECT_EQ(requests.ReadIP(), 1) << reply;
    }
}

TEST_F(ServerRequestsTest, OfflineNoticeCarriesOnlyTheCustomerNumber) {
    g.User = "KD4711";
    transfer.standing["http://127.0.0.1:8080/cgi-bin/server/offline.cgi?kd4711"] = {true, "221;"};
    requests.DisConnect();
    EXPECT_EQ(transfer.requested,
              std::vector<std::string>{"http://127.0.0.1:8080/cgi-bin/server/offline.cgi?kd4711"});
    EXPECT_EQ(g.AntwortCode, 1);
}

TEST_F(ServerRequestsTest, RequestWhileAnotherWaitsIsSkippedWithoutDisturbingIt) {
    transfer.standing[ipUrl] = {true, "220;"};
    std::int32_t nested = -1;
    int cancelsInside = -1;
    bool nestedDone = false;
    transfer.duringRequest = [&](const std::string&) {
        if (nestedDone) return;
        nestedDone = true;
        const int before = transfer.cancels;
        nested = requests.ReadIP();
        cancelsInside = transfer.cancels - before;
    };
    EXPECT_EQ(requests.ReadIP(), 220);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(cancelsInside, 0);
    EXPECT_EQ(transfer.requested.size(), 1u);
}

}  // namespace
}  // namespace tavik
