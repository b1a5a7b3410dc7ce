// After a hosts edit that failed (the file unreadable or not replaceable for
// a while), the next reply with the same status must try again: the status
// counts as taken over only once the hosts file holds it.
#include <gtest/gtest.h>

#include "../protocol/ReplyHandlerFixture.h"

namespace tavik {
namespace {

const std::string kOnline = "220;;;50+10.0.0.7+firma-server;3;Firma;;6.10;;";
const std::string kOffline = "220;;;20+0.0.0.0+firma-server;3;Firma;;6.10;;";
const std::string kLine = "10.0.0.7    firma-server";

using Recovery = ReplyHandlerFixture;

TEST_F(Recovery, AStatusWhoseHostsEditFailedIsAppliedAgainByTheNextReply) {
    const std::string original = hostsText();
    hostsStore.files.erase(hostsPath);  // unreadable for a while
    handler.handle(kOnline);
    EXPECT_EQ(g.AntwortCode, 220);
    EXPECT_EQ(stored("(Status)"), "");
    EXPECT_EQ(stored("ServerIP"), "10.0.0.7");

    hostsStore.files[hostsPath] = original;
    handler.handle(kOnline);
    EXPECT_NE(hostsText().find(kLine), std::string::npos) << hostsText();
    EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server");

    // Once applied, the same status leaves the file alone again.
    const int replacements = hostsStore.replacements;
    handler.handle(kOnline);
    EXPECT_EQ(hostsStore.replacements, replacements);
}

TEST_F(Recovery, ARemovalThatFailedIsTriedAgain) {
    handler.handle(kOnline);
    const std::string withLine = hostsText();
    hostsStore.files.erase(hostsPath);
    handler.handle(kOffline);
    EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server");

    hostsStore.files[hostsPath] = withLine;
    handler.handle(kOffline);
    EXPECT_EQ(hostsText().find("firma-server"), std::string::npos) << hostsText();
    EXPECT_EQ(stored("(Status)"), "20+0.0.0.0+firma-server");
}

TEST_F(Recovery, WithoutAHostsFileTheStatusIsStoredAsBefore) {
    // No hosts file was found at start: there is nothing to retry.
    g.HostsDatei.clear();
    handler.handle(kOnline);
    EXPECT_EQ(stored("(Status)"), "50+10.0.0.7+firma-server");
}

}  // namespace
}  // namespace tavik
