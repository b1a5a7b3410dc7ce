#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "UpdaterCommand.h"
#include "platform/PlatformFacts.h"
#include "update/UpdaterProgram.h"

namespace {

using tavik::updater::parseArguments;
using tavik::updater::UpdaterArguments;

std::optional<UpdaterArguments> parse(const std::vector<std::string>& words,
                                      const std::set<std::string>& updateFiles = {}) {
    std::string error;
    auto result = parseArguments(words, [&](const std::string& name) { return updateFiles.count(name) > 0; }, error);
    EXPECT_EQ(result.has_value(), error.empty()) << error;
    return result;
}

// What the program starts the updater with reaches it as these words: the
// file and the whole profile must come back byte for byte.
TEST(UpdaterCommandTest, ProgramsUpdateAndRestartGiveFileAndProfileByteForByte) {
    const std::filesystem::path folder = "/opt/my programs/tavik6";
    const std::string program = std::string("Tavik6") + tavik::kExecutableSuffix;
    for (const std::string profile : {"Büro  2", "a\"b", "x y z", "Büro 2, Etage", " ", "--wait-seconds 0"}) {
        SCOPED_TRACE(profile);
        const auto update = tavik::updateCommand(folder, "Tavik6-6.20", profile);
        EXPECT_EQ(update.program, folder / (std::string("Velmora4") + tavik::kExecutableSuffix));
        const auto parsed = parse(update.arguments, {"Tavik6-6.20"});
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->command.fileName, "Tavik6-6.20");
        EXPECT_EQ(parsed->command.profile, profile);
        EXPECT_EQ(parsed->options.waitLimit, std::chrono::seconds(60));

        const auto restart = parse(tavik::restartCommand(folder, profile).arguments, {program});
        ASSERT_TRUE(restart);
        EXPECT_EQ(restart->command.fileName, program);
        EXPECT_EQ(restart->command.profile, profile);
    }

    const auto parsed = parse(tavik::restartCommand(folder, "Tavik6").arguments);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->command.fileName, program);
    EXPECT_EQ(parsed->command.profile, "");
    EXPECT_EQ(parsed->options.confirmPeriod, std::chrono::seconds(5));
    EXPECT_EQ(parsed->options.waitLimit, std::chrono::seconds(60));
}

struct SplitCase {
    const char* name;
    std::vector<std::string> words;
    std::set<std::string> updateFiles;
    std::string file;
    std::string profile;
};

TEST(UpdaterCommandTest, FileEndsAtTheCommaThatNamesAnUpdateFile) {
    const SplitCase cases[] = {
        {"plain", {"neu.bin,Büro"}, {"neu.bin"}, "neu.bin", "Büro"},
        {"comma in the file name", {"neu,1.bin,Büro"}, {"neu,1.bin"}, "neu,1.bin", "Büro"},
        {"comma in the profile", {"neu.bin,Büro,", "Etage"}, {"neu.bin"}, "neu.bin", "Büro, Etage"},
        {"no such file: first comma", {"neu,1.bin,Büro"}, {}, "neu", "1.bin,Büro"},
        {"blank in the file name", {"neu", "1.bin,Büro"}, {"neu 1.bin"}, "neu 1.bin", "Büro"},
        {"words after the file are text", {"neu.bin,Büro", "--wait-seconds", "0"}, {"neu.bin"}, "neu.bin",
         "Büro --wait-seconds 0"},
        {"empty profile", {"neu.bin,"}, {"neu.bin"}, "neu.bin", ""},
        {"no profile", {"Tavik6"}, {}, "Tavik6", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = parse(c.words, c.updateFiles);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->command.fileName, c.file);
        EXPECT_EQ(parsed->command.profile, c.profile);
    }
}

TEST(UpdaterCommandTest, RefusesNamesThatLeaveTheUpdatesFolderAndBadOptions) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {",Büro"},
        {"../Tavik6,Büro"},
        {"..,Büro"},
        {".,Büro"},
        {"sub/Tavik6"},
        {"/etc/passwd,x"},
        {"..\\Tavik6.exe,x"},
        {"C:Tavik6.exe,x"},
        {"neu\n.bin,Büro"},
        {"--confirm-seconds"},
        {"--confirm-seconds", "fünf", "neu"},
        {"--confirm-seconds", "-1", "neu"},
        {"--wait-seconds", "3601", "neu"},
        {"--frob", "neu"},
        // A file name that is all options, passed as the one argument it is.
        {"--confirm-seconds 0 --wait-seconds 3600 x,Büro"},
    };
    for (const auto& words : refused) {
        std::string joined;
        for (const auto& w : words) joined += "[" + w + "]";
        SCOPED_TRACE(joined);
        // Even when such a file exists: the name itself is refused.
        std::set<std::string> all;
        for (const auto& w : words) all.insert(w.substr(0, w.find(',')));
        EXPECT_FALSE(parse(words, all));
    }
}

TEST(UpdaterCommandTest, OptionsSetTheWaitAndTheConfirmPeriod) {
    const auto parsed = parse({"--wait-seconds", "2", "--confirm-seconds", "0.5", "neu.bin,Büro"}, {"neu.bin"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->options.waitLimit, std::chrono::seconds(2));
    EXPECT_EQ(parsed->options.confirmPeriod, std::chrono::milliseconds(500));
    EXPECT_EQ(parsed->command.fileName, "neu.bin");
    EXPECT_EQ(parsed->command.profile, "Büro");
}

}  // namespace
