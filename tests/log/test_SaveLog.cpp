#include "log/SaveLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/PlatformFacts.h"
#include "platform/fakes/FakeClock.h"

namespace tavik {
namespace {

namespace fs = std::filesystem;

class SaveLogTest : public testing::Test {
protected:
    SaveLogTest() : folder(fs::temp_directory_path() / ("tavik-log-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(folder);
    }
    ~SaveLogTest() override { fs::remove_all(folder); }

    std::string logText() const {
        std::ifstream in(folder / "logTavik.TXT", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder;
    FakeClock clock;
};

TEST_F(SaveLogTest, AppendsStampedLinesInCallOrder) {
    Log log(folder, clock);
    EXPECT_EQ(log.file(), folder / "logTavik.TXT");
    clock.current = {2005, 12, 7, 14, 3, 55};
    log.SaveLog("Tavik6 kopiert");
    const std::string end = kLineEnd;
    EXPECT_EQ(logText(), "07.12.2005 14:03:55\tTavik6 kopiert" + end);

    clock.current = {2005, 12, 8, 0, 0, 0};
    log.SaveLog("a\tb\nc");
    clock.current = {2005, 12, 8, 0, 0, 1};
    log.SaveLog("");
    EXPECT_EQ(logText(),
              "07.12.2005 14:03:55\tTavik6 kopiert" + end + "08.12.2005\ta\tb\nc" + end +
                  "08.12.2005 00:00:01\t" + end);
}

TEST_F(SaveLogTest, UnwritableLogIsLostSilently) {
    Log missingFolder(folder / "gone", clock);
    EXPECT_NO_THROW(missingFolder.SaveLog("x"));
    EXPECT_FALSE(missingFolder.writable());
    EXPECT_FALSE(fs::exists(folder / "gone"));

    fs::create_directory(folder / "logTavik.TXT");  // a file that cannot be opened for appending
    Log blocked(folder, clock);
    EXPECT_NO_THROW(blocked.SaveLog("x"));
    EXPECT_FALSE(blocked.writable());
    EXPECT_TRUE(fs::is_directory(folder / "logTavik.TXT"));
    fs::create_directory(folder / "ok");
    EXPECT_TRUE(Log(folder / "ok", clock).writable());
}

}  // namespace
}  // namespace tavik
