#include "platform/posix/SysfsDialUp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

namespace tavik {
namespace {

class DialUpLines : public ::testing::Test {
protected:
    void SetUp() override {
        root = std::filesystem::temp_directory_path() / ("tavik-net-" + std::to_string(getpid()));
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    void line(const std::string& name, int index, const std::string& flags, const std::string& operstate) {
        std::filesystem::create_directories(root / name);
        std::ofstream(root / name / "ifindex") << index << "\n";
        std::ofstream(root / name / "flags") << flags << "\n";
        std::ofstream(root / name / "operstate") << operstate << "\n";
    }
    std::filesystem::path root;
};

TEST_F(DialUpLines, NoPppLineIsNotConnected) {
    line("eth0", 2, "0x1043", "up");
    EXPECT_FALSE(SysfsDialUp(root).firstConnectionConnected());
    EXPECT_FALSE(SysfsDialUp(root / "missing").firstConnectionConnected());
}

TEST_F(DialUpLines, FirstLineUpAndRunningIsConnected) {
    line("ppp0", 7, "0x10d1", "unknown");
    EXPECT_TRUE(SysfsDialUp(root).firstConnectionConnected());
}

TEST_F(DialUpLines, OnlyTheFirstLineByIndexCounts) {
    line("ppp1", 5, "0x1090", "down");     // first by index, not up
    line("ppp0", 9, "0x10d1", "unknown");  // connected, but second
    EXPECT_FALSE(SysfsDialUp(root).firstConnectionConnected());
}

TEST_F(DialUpLines, LineDownIsNotConnected) {
    line("ppp0", 7, "0x10d1", "down");
    EXPECT_FALSE(SysfsDialUp(root).firstConnectionConnected());
}

}  // namespace
}  // namespace tavik
