#include "platform/posix/SysfsDialUp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <vector>

namespace tavik {
namespace {

// One interface of a fake /sys/class/net, with what the kernel shows there:
// "flags" never carries IFF_RUNNING (0x40), and "carrier" cannot be read
// while the interface is down (empty here: no file).
struct Interface {
    std::string name;
    int index;
    std::string flags;
    std::string carrier;
    std::string operstate;
};

struct Case {
    const char* what;
    std::vector<Interface> interfaces;
    bool connected;
};

TEST(SysfsDialUp, FirstPppLineIsConnectedWhenUpWithCarrier) {
    const Case cases[] = {
        {"ppp line up, state unknown", {{"ppp0", 7, "0x1091", "1", "unknown"}}, true},
        {"ppp line up, state up", {{"ppp0", 7, "0x1091", "1", "up"}}, true},
        {"ppp line switched off", {{"ppp0", 7, "0x1090", "", "down"}}, false},
        {"ppp line up without carrier", {{"ppp0", 7, "0x1091", "0", "lowerlayerdown"}}, false},
        {"ppp line dormant", {{"ppp0", 7, "0x1091", "1", "dormant"}}, false},
        {"only an Ethernet line", {{"eth0", 2, "0x1003", "1", "up"}}, false},
        {"no lines at all", {}, false},
        {"first line by index down, second up",
         {{"ppp1", 5, "0x1090", "", "down"}, {"ppp0", 9, "0x1091", "1", "unknown"}},
         false},
        {"first line by index up, second down",
         {{"ppp1", 9, "0x1090", "", "down"}, {"ppp0", 5, "0x1091", "1", "unknown"}},
         true},
    };
    const auto root = std::filesystem::temp_directory_path() / ("tavik-net-" + std::to_string(getpid()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        for (const auto& i : c.interfaces) {
            std::filesystem::create_directories(root / i.name);
            std::ofstream(root / i.name / "ifindex") << i.index << "\n";
            std::ofstream(root / i.name / "flags") << i.flags << "\n";
            std::ofstream(root / i.name / "operstate") << i.operstate << "\n";
            if (!i.carrier.empty()) std::ofstream(root / i.name / "carrier") << i.carrier << "\n";
        }
        EXPECT_EQ(SysfsDialUp(root).firstConnectionConnected(), c.connected);
    }
    EXPECT_FALSE(SysfsDialUp(root / "missing").firstConnectionConnected());
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tavik
