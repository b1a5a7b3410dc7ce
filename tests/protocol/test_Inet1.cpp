#include <gtest/gtest.h>

#include "platform/fakes/FakeTransfer.h"
#include "protocol/Inet1.h"

namespace tavik {
namespace {

constexpr const char* kErrorText = "Bei der Kommunikation mit dem Host-Rechner ist ein Fehler aufgetreten.";

TEST(Inet1, OnlyTheLastStateDecidesTheErrorText) {
    FakeTransfer transfer;
    TavikGlobal g;
    Inet1 inet(transfer, g);
    inet.Inet1_StateChanged(11);
    EXPECT_EQ(g.InetFehler, kErrorText);
    inet.Inet1_StateChanged(12);
    EXPECT_EQ(g.InetFehler, "");
    g.InetFehler = "alt";
    inet.Inet1_StateChanged(3);
    EXPECT_EQ(g.InetFehler, "");
}

TEST(Inet1, TransferResultReachesTheErrorText) {
    FakeTransfer transfer;
    transfer.standing["http://ok/"] = {true, "220;"};
    TavikGlobal g;
    Inet1 inet(transfer, g);
    EXPECT_EQ(inet.OpenURL("http://ok/", kReplyBodyCap), "220;");
    EXPECT_EQ(g.InetFehler, "");
    EXPECT_EQ(inet.OpenURL("http://unreachable/", kReplyBodyCap), "");
    EXPECT_EQ(g.InetFehler, kErrorText);
    EXPECT_FALSE(inet.busy());
}

TEST(Inet1, SecondTransferWhileOneRunsFailsAtOnce) {
    FakeTransfer transfer;
    transfer.standing["http://a/"] = {true, "outer"};
    transfer.standing["http://b/"] = {true, "inner"};
    TavikGlobal g;
    Inet1 inet(transfer, g);
    std::string inner = "unset";
    std::string innerError;
    bool busyInside = false;
    transfer.duringRequest = [&](const std::string& url) {
        if (url != "http://a/") return;
        busyInside = inet.busy();
        inner = inet.OpenURL("http://b/", kReplyBodyCap);
        innerError = g.InetFehler;
    };
    EXPECT_EQ(inet.OpenURL("http://a/", kReplyBodyCap), "outer");
    EXPECT_TRUE(busyInside);
    EXPECT_EQ(inner, "");
    EXPECT_EQ(innerError, kErrorText);
    EXPECT_EQ(transfer.requested, std::vector<std::string>{"http://a/"});
    EXPECT_FALSE(inet.busy());
}

}  // namespace
}  // namespace tavik
