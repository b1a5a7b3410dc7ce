#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "UpdaterCommand.h"
#include "platform/posix/CommandLine.h"
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

// The program builds its command line as one text and the platform splits it
// into words; what arrives here must give back the file and the whole profile.
std::vector<std::string> argumentsAsStarted(const std::string& commandLine, const std::string& updater) {
    auto words = tavik::splitCommandLine(commandLine, [&](const std::string& path) { return path == updater; });
    EXPECT_FALSE(words.empty());
    if (words.empty()) return {};
    EXPECT_EQ(words.front(), updater);
    return {words.begin() + 1, words.end()};
}

TEST(UpdaterCommandTest, UpdateCommandOfTheProgramGivesFileAndWholeProfile) {
    const std::filesystem::path folder = "/opt/my programs/tavik6";
    const std::string updater = (folder / "Velmora4").string();
    const auto words = argumentsAsStarted(tavik::updateCommandLine(folder, "Tavik6-6.20", "Büro  2, Etage"), updater);
    const auto parsed = parse(words, {"Tavik6-6.20"});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->command.fileName, "Tavik6-6.20");
    // Runs of blanks cannot survive the split; the words come back with one.
    EXPECT_EQ(parsed->command.profile, "Büro 2, Etage");
}

TEST(UpdaterCommandTest, RestartCommandOfTheProgramNamesItsOwnFile) {
    const std::filesystem::path folder = "/opt/tavik6";
    const auto withProfile =
        parse(argumentsAsStarted(tavik::restartCommandLine(folder, "Büro 2"), (folder / "Velmora4").string()));
    ASSERT_TRUE(withProfile);
    EXPECT_EQ(withProfile->command.fileName, "Tavik6");
    EXPECT_EQ(withProfile->command.profile, "Büro 2");

    const auto words = argumentsAsStarted(tavik::restartCommandLine(folder, "Tavik6"), (folder / "Velmora4").string());
    const auto parsed = parse(words);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->command.fileName, "Tavik6");
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
        {"neu\n.bin,Büro"},
        {"--confirm-seconds"},
        {"--confirm-seconds", "fünf", "neu"},
        {"--confirm-seconds", "-1", "neu"},
        {"--wait-seconds", "3601", "neu"},
        {"--frob", "neu"},
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
