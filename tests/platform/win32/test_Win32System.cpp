#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32/Win32System.h"

namespace tavik {
namespace {

// The session is never ended here: only the steps before it run.
TEST(Win32System, SessionVersionPrivilegeDialUpAndBrowserOfThePrefix) {
    Win32Session session;
    const auto version = session.version();
    ASSERT_TRUE(version);
    EXPECT_EQ(version->platformId, 2);
    EXPECT_GE(version->majorVersion, 5);
    EXPECT_TRUE(session.acquireShutdownRight());

    // The prefix has no dial-up connection.
    EXPECT_FALSE(RasDialUp().firstConnectionConnected());

    const std::string browser = Win32BrowserLookup().findBrowser();
    ASSERT_FALSE(browser.empty());
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(browser))) << browser;
}

}  // namespace
}  // namespace tavik
