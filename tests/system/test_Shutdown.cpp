#include <gtest/gtest.h>

#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/FakeSessionControl.h"
#include "system/Shutdown.h"

namespace tavik {
namespace {

constexpr const char* kPrivilegeMessage = "Privileg \"SeShutdownPrivilege\"\r\nkonnte nicht gesetzt werden!";
constexpr const char* kShellMessage = "Explorer konnte nicht beendet werden.\r\nWählen Sie Shutdown oder Reboot";

struct ShutdownTest : ::testing::Test {
    FakeSessionControl session;
    FakeDialogs dialogs;
    Shutdown shutdown{session, dialogs};
};

TEST_F(ShutdownTest, FlagWordByPlatformAndSwitches) {
    struct Row {
        OsVersion os;
        int mode;
        bool force;
        bool powerOff;
        unsigned flags;
    };
    const Row rows[] = {
        {{2, 4}, 2, true, false, 6},    // the reply handling's call, newer family up to 4
        {{2, 5}, 2, true, false, 22},   // above 4: force if hung as well
        {{2, 5}, 2, false, false, 2},   // without force nothing is added
        {{2, 5}, 1, true, true, 29},
        {{1, 4}, 2, true, false, 6},    // older family: no force-if-hung
        {{1, 4}, 0, false, true, 8},
    };
    for (const Row& row : rows) {
        session.os = row.os;
        session.exitFlags.clear();
        EXPECT_TRUE(shutdown.SystemShutdown(row.mode, row.force, row.powerOff)) << row.flags;
        EXPECT_EQ(session.exitFlags, std::vector<unsigned>{row.flags});
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShutdownTest, ModeOutsideTheThreeDoesNothing) {
    for (const int mode : {-1, 3, 8}) EXPECT_FALSE(shutdown.SystemShutdown(mode, true, false));
    EXPECT_TRUE(session.exitFlags.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShutdownTest, UnknownPlatformDoesNothing) {
    int platform = -1;
    session.os = std::nullopt;
    EXPECT_FALSE(shutdown.GetPlatform(platform));
    EXPECT_FALSE(shutdown.SystemShutdown(2, true, false));
    session.os = OsVersion{0, 6};
    EXPECT_FALSE(shutdown.GetPlatform(platform));
    EXPECT_EQ(platform, 0);
    EXPECT_FALSE(shutdown.SystemShutdown(2, true, false));
    EXPECT_TRUE(session.exitFlags.empty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ShutdownTest, MissingShutdownRightIsReported) {
    session.rightGranted = false;
    EXPECT_FALSE(shutdown.SystemShutdown(2, true, false));
    EXPECT_TRUE(session.exitFlags.empty());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kPrivilegeMessage);
    EXPECT_EQ(dialogs.boxes[0].title, "Tavik6");
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Exclamation);
}

TEST_F(ShutdownTest, OlderFamilyEndsTheShellOnlyForALogOff) {
    session.os = OsVersion{1, 4};
    session.rightGranted = false;  // never asked for on the older family
    EXPECT_TRUE(shutdown.SystemShutdown(2, true, false));
    EXPECT_TRUE(shutdown.SystemShutdown(1, false, false));
    EXPECT_EQ(session.shellEndCalls, 0);

    session.shellEnds = false;
    EXPECT_FALSE(shutdown.SystemShutdown(0, false, false));
    EXPECT_EQ(session.shellEndCalls, 1);
    EXPECT_EQ(session.exitFlags.size(), 2u);  // the log-off never reached the session
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kShellMessage);
    EXPECT_EQ(dialogs.boxes[0].icon, MessageIcon::Exclamation);
}

TEST_F(ShutdownTest, RefusedSessionEndIsReportedAsFailure) {
    session.exitSucceeds = false;
    EXPECT_FALSE(shutdown.SystemShutdown(2, true, false));
    EXPECT_TRUE(dialogs.boxes.empty());
}

}  // namespace
}  // namespace tavik
